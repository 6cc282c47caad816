#include "ui/qt_prompts.h"

#include <QApplication>
#include <QMessageBox>

namespace nuvrel::ui {

void QtPrompts::showError(int, const std::string& message) {
    QMessageBox::critical(parent_, QStringLiteral("Error"), QString::fromStdString(message));
}

bool QtPrompts::askYesNo(const std::string& title, const std::string& text) {
    return QMessageBox::question(parent_, QString::fromStdString(title), QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtPrompts::showMessage(const std::string& title, const std::string& text) {
    QMessageBox::information(parent_, QString::fromStdString(title), QString::fromStdString(text));
}

void QtPrompts::beep() { QApplication::beep(); }

} // namespace nuvrel::ui

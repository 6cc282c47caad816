#include "ui/qt_prompts.h"

#include "render/code_page_text.h"

#include <QApplication>
#include <QMessageBox>

namespace nuvrel::ui {

void QtPrompts::showError(int, const std::string& message) {
    QMessageBox::critical(parent_, QStringLiteral("Error"), render::fromCodePage(message));
}

bool QtPrompts::askYesNo(const std::string& title, const std::string& text) {
    return QMessageBox::question(parent_, render::fromCodePage(title), render::fromCodePage(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtPrompts::showMessage(const std::string& title, const std::string& text) {
    QMessageBox::information(parent_, render::fromCodePage(title), render::fromCodePage(text));
}

void QtPrompts::beep() { QApplication::beep(); }

} // namespace nuvrel::ui

#include "ui/qt_prompts.h"

#include "render/code_page_text.h"
#include "ui/work_runner.h"

#include <QApplication>
#include <QMessageBox>

namespace nuvrel::ui {

// The busy cursor never shows over a box.

void QtPrompts::showError(int, const std::string& message) {
    CursorAside aside;
    QMessageBox::critical(parent_, QStringLiteral("Error"), render::fromCodePage(message));
}

bool QtPrompts::askYesNo(const std::string& title, const std::string& text) {
    CursorAside aside;
    return QMessageBox::question(parent_, render::fromCodePage(title), render::fromCodePage(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtPrompts::showMessage(const std::string& title, const std::string& text) {
    CursorAside aside;
    QMessageBox::information(parent_, render::fromCodePage(title), render::fromCodePage(text));
}

void QtPrompts::beep() { QApplication::beep(); }

} // namespace nuvrel::ui

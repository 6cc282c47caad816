#include "ui/main_form.h"

#include "ui/qt_prompts.h"

namespace nuvrel::ui {

TMainForm::TMainForm(SettingsStore&, QtPrompts&, TimeZoneSource&) {
    setWindowTitle(QStringLiteral("Nuvrel Win"));
}

bool TMainForm::openDataFile(const QString&) { return false; }

} // namespace nuvrel::ui

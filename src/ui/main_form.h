#pragma once

#include "core/platform.h"

#include <QMainWindow>

namespace nuvrel::ui {

class QtPrompts;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    TMainForm(SettingsStore& settings, QtPrompts& prompts, TimeZoneSource& timeZone);
    bool openDataFile(const QString& path);
};

} // namespace nuvrel::ui

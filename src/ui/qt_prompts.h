// Message boxes and the warning beep for the desktop program.
#pragma once

#include "core/platform.h"

class QWidget;

namespace nuvrel::ui {

class QtPrompts final : public UserPrompts {
public:
    // Boxes are centred on parent (may be null).
    void setParent(QWidget* parent) { parent_ = parent; }

    void showError(int number, const std::string& message) override;
    bool askYesNo(const std::string& title, const std::string& text) override;
    void showMessage(const std::string& title, const std::string& text) override;
    void beep() override;

private:
    QWidget* parent_ = nullptr;
};

} // namespace nuvrel::ui

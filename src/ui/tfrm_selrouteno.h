// "Select Route Number": the route that route creation mode fills.
#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>

class QLineEdit;
class QPushButton;

namespace nuvrel {
class UserPrompts;
}

namespace nuvrel::ui {

class UpDown;

class TfrmSelRouteNo : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxRouteNumber = 100;

    explicit TfrmSelRouteNo(UserPrompts& prompts, QWidget* parent = nullptr);

    QLineEdit* edtRouteNo;
    UpDown* UpDown1;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // The number in edtRouteNo, when it is one from 0 to 100.
    std::optional<std::uint32_t> routeNumber() const;

public slots:
    // Closes with OK for a route number from 0 to 100; otherwise beeps and stays.
    void btnOKClick();
    void btnCancelClick();

private:
    UserPrompts& prompts_;
};

} // namespace nuvrel::ui

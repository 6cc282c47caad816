// "Confirm": the route number under which the editor's route is uploaded.
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

class TfrmRtnoIn : public QDialog {
    Q_OBJECT
public:
    // The receivers hold route numbers in one byte.
    static constexpr int kMaxRouteNumber = 255;

    explicit TfrmRtnoIn(UserPrompts& prompts, QWidget* parent = nullptr);

    QLineEdit* edtUploadNo;
    UpDown* udUploadNo;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // The number in edtUploadNo, when it is one the receiver can take.
    std::optional<std::uint8_t> uploadNumber() const;

public slots:
    // Closes with OK for a route number from 0 to 255; otherwise beeps and stays.
    void btnOKClick();
    void btnCancelClick();

private:
    UserPrompts& prompts_;
};

} // namespace nuvrel::ui

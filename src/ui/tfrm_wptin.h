// The waypoint input dialog: an ID, a latitude, a longitude and a comment.
// Callers fill and read the fields; the ID and the comment keep their text
// from one use to the next.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace nuvrel {
class UserPrompts;
}

namespace nuvrel::ui {

class TfrmWptin : public QDialog {
    Q_OBJECT
public:
    explicit TfrmWptin(UserPrompts& prompts, QWidget* parent = nullptr);

    QLineEdit* edtWaypointID;
    QLineEdit* edtLatitude;
    QLineEdit* edtLongitude;
    QLineEdit* edtComment;
    QPushButton* btnOK;
    QPushButton* btnCancel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void btnOKClick();
    UserPrompts& prompts_;
};

} // namespace nuvrel::ui

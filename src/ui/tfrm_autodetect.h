// "Auto Detect Result": what the receiver said about itself, shown after the
// preferences dialog's "Auto Detect".
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace nuvrel::ui {

class TfrmAutoDetectResult : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAutoDetectResult(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr; // "ID"
    QLabel* Label2 = nullptr; // "Descriptoin"
    QLineEdit* edtID = nullptr;
    QLineEdit* edtDescription = nullptr;
    QPushButton* btnOK = nullptr;
};

} // namespace nuvrel::ui

// Help > "&About...": the program's name, version and date.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace nuvrel::ui {

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    QLabel* lblTitle = nullptr;
    QLabel* lblDate = nullptr;
    QLabel* lblNotice = nullptr;
    QPushButton* btnOK = nullptr;
};

} // namespace nuvrel::ui

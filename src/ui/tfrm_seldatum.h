// "Select Map Datum": picks the datum that downloads convert into and uploads
// convert from. OK stores the highlighted name in the settings record.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace nuvrel {
class IFTOption;
}

namespace nuvrel::ui {

class TfrmSeldatum : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSeldatum(nuvrel::IFTOption& options, QWidget* parent = nullptr);

    QListWidget* lbDatums = nullptr;
    QLabel* Label1 = nullptr;       // "Datum : "
    QLabel* lblDatumName = nullptr; // the highlighted datum
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void FormShow();
    void lbDatumsClick();
    void btnOKClick();

private:
    nuvrel::IFTOption& options_;
};

} // namespace nuvrel::ui

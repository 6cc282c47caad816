// "Select Symbol": the waypoint symbols of the configured receiver in one
// list. Callers set selectedName to the symbol shown now, run the picker
// modally and take selectedName back; closing without a pick leaves it as it
// was.
#pragma once

#include <QDialog>

class QListWidget;

namespace nuvrel {
class IFTOption;
}

namespace nuvrel::ui {

class TfrmSelsmbl : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelsmbl(const nuvrel::IFTOption& options, QWidget* parent = nullptr);

    QListWidget* lbSymbol = nullptr;
    QString selectedName;
    int selectedIndex = 0;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void FormShow();
    void lbSymbolClick();

private:
    const nuvrel::IFTOption& options_;
};

} // namespace nuvrel::ui

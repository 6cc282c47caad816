// The data monitor: an always-on-top window that asks the receiver for its
// position and clock twice a second while it is shown.
#pragma once

#include "core/ift_option.h"
#include "core/gps/position_request.h"
#include "core/gps/serial_ports.h"
#include "core/platform.h"

#include <QDialog>

class QLineEdit;
class QRadioButton;
class QTimer;

namespace nuvrel::ui {

class TfrmMonitor : public QDialog {
    Q_OBJECT
public:
    TfrmMonitor(const IFTOption& option, UserPrompts& prompts, QWidget* parent = nullptr);

    // Where the ports lead (the system's by default).
    void setSerialPorts(SerialPorts ports) { ports_ = std::move(ports); }

    QLineEdit* txtLatitude;
    QLineEdit* txtLongitude;
    QLineEdit* txtTime;
    QRadioButton* DEG;
    QRadioButton* DM;
    QRadioButton* DMS;
    QTimer* Timer1;

    // One poll: the request and the fields, or error 2 and the window hidden.
    void Timer1Timer();
    // Fills the fields from a result in the checked format.
    void showResult(const PositionResult& result);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    const IFTOption& option_;
    UserPrompts& prompts_;
    SerialPorts ports_;
    bool polling_ = false;
};

} // namespace nuvrel::ui

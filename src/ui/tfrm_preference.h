// "Preference": serial port, receiver model (typed, picked or detected),
// track pen, playback marker, map at start, text coordinate form and the
// time-zone offset. Not modal; discarded when closed. The trace mark, an
// auto-detected receiver and the device a port leads to are stored at once;
// the rest on "OK".
#pragma once

#include "core/gps/serial_ports.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace nuvrel {
class IFTGarminData;
class IFTOption;
class UserPrompts;
} // namespace nuvrel

namespace nuvrel::ui {

class ColorSwatch;
class TfrmAutoDetectResult;
class UpDown;

class TfrmPreference : public QDialog {
    Q_OBJECT
public:
    TfrmPreference(IFTOption& options, IFTGarminData& data, UserPrompts& prompts, SerialPorts ports,
                   QWidget* parent = nullptr);

    QTabWidget* PageControl1 = nullptr;
    // "Hardware"
    QComboBox* cbCommPort = nullptr;
    QLabel* lblDevicePath = nullptr; // the device behind the port in cbCommPort
    QComboBox* cbPortDevice = nullptr; // "Automatic" or a device present, for that port
    QLabel* lblPortProblem = nullptr;  // why the device cannot be used, if it cannot
    QComboBox* cbGPSModel = nullptr;
    QPushButton* btnAutoDetect = nullptr;
    // "View"
    ColorSwatch* Shape1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    UpDown* UpDown1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLabel* Image1 = nullptr;
    // "Others"
    QCheckBox* cbMapLoadWithStart = nullptr;
    QCheckBox* cbTextFormatDMS = nullptr;
    QLineEdit* edtTZoffset = nullptr;
    UpDown* udTZoffset = nullptr;
    QComboBox* cbCodePage = nullptr; // items: automatic, CP932, UTF-8
    // "Flight Log": the pilot and glider named in IGC headers
    QLineEdit* edtPilotName = nullptr;
    QLineEdit* edtGliderType = nullptr;
    QLineEdit* edtGliderID = nullptr;

    QPushButton* btnOK = nullptr;
    TfrmAutoDetectResult* frmAutoDetectResult = nullptr;

signals:
    // The track pen's colour or width was changed by "OK".
    void penChanged();
    // The trace mark was changed: the playback marker should be rebuilt.
    void traceMarkChanged();

public slots:
    void btnOKClick();
    void btnAutoDetectClick();
    void Shape1MouseDown();
    void ComboBox1Change(const QString& text);
    void cbPortDeviceSelect(int index);

private:
    void FormCreate();
    void showDevicePath();
    void showMarker(const QString& name);

    IFTOption& options_;
    IFTGarminData& data_;
    UserPrompts& prompts_;
    SerialPorts ports_;
    int shownTzHours_ = 0;
};

} // namespace nuvrel::ui

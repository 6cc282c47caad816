// The main window: owns the data set, the route store, the settings record and
// the map window for the whole run, and maps every menu command to its work.
#pragma once

#include "core/app/gps_commands.h"
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "core/gps/serial_ports.h"
#include "core/platform.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;

namespace nuvrel::ui {

class TfrmPreference;
class MapWindow;
class TfrmMessage;
class TfrmMonitor;
class TfrmSeldatum;
class TfrmTrkList;
class TfrmFlightReport;
class TrackPlayback;
class PrintSetup;
class TfrmRoute;
class TfrmRtnoIn;
class TfrmSelRouteNo;
class GuiWorkRunner;
class WindowPlacement;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    TMainForm(SettingsStore& settings, UserPrompts& prompts, TimeZoneSource& timeZone, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Reads a native data file and shows it (the open command and dropped files).
    bool openDataFile(const QString& path);
    // Files dropped from the desktop (local paths; only the first is opened).
    void openDroppedFiles(const QStringList& paths);

    IFTGarminData& data() { return *data_; }
    CRouteField& routes() { return routes_; }
    IFTOption& options() { return *options_; }
    MapWindow& mapWindow() { return *map_; }
    // Track playback, the live position and the marker, with the timer Timer1.
    TrackPlayback& playback() { return *playback_; }
    TfrmTrkList& frmTrkList() { return *frmTrkList_; }
    // The menu command with this object name (e.g. "OpenTrack1"), or null.
    QAction* command(const QString& objectName) const;
    // A line at the bottom of the window for a few seconds; the line is there
    // only while it says something, so it never takes room from the map.
    void showNotice(const QString& text);
    // After the data was replaced (open, import, download): the open windows
    // that show it list the new data, or close when nothing is left to show.
    void followData();

public slots:
    void OpenTrack1Click();
    void SaveTrackAs1Click();
    void Exit1Click();
    void Waypoint4Click();
    void Mapdatum1Click();
    void Preference1Click();
    void Help2Click();
    void About1Click();
    void OpenMap1Click();
    void CreateMapInfo1Click();
    void ZoomIn1Click();
    void ZoomOut1Click();
    void KeepAspect1Click();
    void Rfresh1Click();
    void Track2Click();
    void Analysis1Click();
    void FlightReport1Click();
    void CurrentPosition1Click();
    void Track3Click();
    void Waypoint2Click();
    void UploadWaypoint1Click();
    void Route1Click();
    void Route4Click();
    void Monitor1Click();
    void EditWaypoint1Click();
    void Print1Click();
    void SaveImageAs1Click();
    void CreateRoute1Click();
    void EditRoute1Click();

public:
    // The progress window of the transfers and printing, and the data monitor.
    TfrmMessage& frmMessage() { return *frmMessage_; }
    TfrmMonitor& frmMonitor() { return *frmMonitor_; }
    // The route editor and its two number dialogs (made when first needed).
    TfrmRoute& frmRoute();
    TfrmRtnoIn& frmRtnoIn();
    TfrmSelRouteNo& frmSelRouteNo();
    // Where the numbered serial ports lead (the system's by default).
    void setSerialPorts(SerialPorts ports);
    // The printer and the print dialog of File > "&Print...".
    PrintSetup& printSetup();
    // Runs the transfers (and other long work) on a worker thread.
    GuiWorkRunner& workRunner() { return *runner_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    QAction* addCommand(QMenu* menu, const QString& caption, const QString& objectName,
                        void (TMainForm::*handler)() = nullptr);
    // Runs a command; a failure that escapes it is shown and the program goes on.
    void guarded(const std::function<void()>& work);
    // "Save As..." with its dialog; true when the data reached a file.
    bool saveDataAs();
    // While long work runs, the commands are disabled and the monitor does
    // not poll the receiver (the work holds the port).
    void setWorkRunning(bool running);
    // Commands with nothing to act on are disabled, with the reason as tool tip.
    void updateCommands();
    // True for a track log with points; otherwise says what to do first.
    bool trackHasPoints();

    UserPrompts& prompts_;
    TimeZoneSource& timeZone_;
    std::unique_ptr<IFTOption> options_;
    std::unique_ptr<IFTGarminData> data_;
    CRouteField routes_{1};
    QPointer<TfrmPreference> frmPreference_;
    MapWindow* map_ = nullptr;
    TfrmSeldatum* frmSeldatum_ = nullptr;
    TrackPlayback* playback_ = nullptr;
    TfrmTrkList* frmTrkList_ = nullptr;
    QPointer<TfrmFlightReport> frmFlightReport_;
    TfrmMessage* frmMessage_ = nullptr;
    TfrmMonitor* frmMonitor_ = nullptr;
    TfrmRoute* frmRoute_ = nullptr;
    TfrmRtnoIn* frmRtnoIn_ = nullptr;
    TfrmSelRouteNo* frmSelRouteNo_ = nullptr;
    SerialPorts ports_;
    GpsCommandServices gpsServices();
    ZoneInfo zone_;
    std::unique_ptr<PrintSetup> printSetup_;
    GuiWorkRunner* runner_ = nullptr;
    WindowPlacement* placement_ = nullptr;
    std::vector<QAction*> disabledForWork_;
    bool monitorWasPolling_ = false;
    bool closeAfterWork_ = false;
};

} // namespace nuvrel::ui

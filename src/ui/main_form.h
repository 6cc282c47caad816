// The main window: owns the data set, the route store, the settings record and
// the map window for the whole run, and maps every menu command to its work.
#pragma once

#include "core/app/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "core/platform.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QMenu;

namespace nuvrel::ui {

class MapWindow;
class TfrmSeldatum;
class TfrmTrkList;
class TrackPlayback;

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

public slots:
    void OpenTrack1Click();
    void SaveTrackAs1Click();
    void Exit1Click();
    void Waypoint4Click();
    void Mapdatum1Click();
    void OpenMap1Click();
    void CreateMapInfo1Click();
    void ZoomIn1Click();
    void ZoomOut1Click();
    void KeepAspect1Click();
    void Rfresh1Click();
    void Track2Click();
    void Analysis1Click();

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
    void showData(bool refresh);

    UserPrompts& prompts_;
    TimeZoneSource& timeZone_;
    std::unique_ptr<IFTOption> options_;
    std::unique_ptr<IFTGarminData> data_;
    CRouteField routes_{1};
    MapWindow* map_ = nullptr;
    TfrmSeldatum* frmSeldatum_ = nullptr;
    TrackPlayback* playback_ = nullptr;
    TfrmTrkList* frmTrkList_ = nullptr;
    ZoneInfo zone_;
};

} // namespace nuvrel::ui

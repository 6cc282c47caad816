#include "ui/main_form.h"

#include "ui/tfrm_flight_report.h"

#include "core/app/help_command.h"
#include "core/gps/gps_model.h"
#include "core/gps/position_request.h"
#include "platform/desktop_help.h"
#include "render/code_page_text.h"
#include "ui/about_box.h"
#include "ui/tfrm_preference.h"
#include "ui/file_dialogs.h"
#include "ui/import_export_commands.h"
#include "ui/map_window.h"
#include "ui/print_commands.h"
#include "ui/tfrm_message.h"
#include "ui/tfrm_monitor.h"
#include "ui/tfrm_seldatum.h"
#include "ui/tfrm_route.h"
#include "ui/tfrm_rtnoin.h"
#include "ui/tfrm_selrouteno.h"
#include "ui/up_down.h"
#include "ui/window_placement.h"
#include "ui/work_runner.h"
#include "ui/tfrm_waypoint.h"
#include "ui/tfrm_trk_list.h"
#include "ui/track_playback.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#include <exception>

namespace nuvrel::ui {

TMainForm::TMainForm(SettingsStore& settings, UserPrompts& prompts, TimeZoneSource& timeZone, QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), timeZone_(timeZone) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Nuvrel Win"));

    options_ = std::make_unique<IFTOption>(settings);
    DataContext context{prompts_, timeZone_, [this] {
                            return GPSModel::DisplayDefaultFor(options_->GPSModelID(), options_->GPSSoftwareVersion());
                        }};
    data_ = std::make_unique<IFTGarminData>(std::move(context));

    map_ = new MapWindow(*data_, routes_, *options_, prompts_, this);
    setCentralWidget(map_);
    connect(map_, &MapWindow::notice, this, &TMainForm::showNotice);
    playback_ = new TrackPlayback(this, *map_, *data_, *options_, prompts_);
    frmTrkList_ = new TfrmTrkList(*data_, [this](std::uint32_t i) { guarded([&] { playback_->ShowTrackPoint(i); }); },
                                  this);
    frmTrkList_->datumName = [this] { return options_->DatumName(); };

    ports_ = SerialPorts::System(&options_->store());
    playback_->setPositionRequest([this] {
        const PositionResult r = RequestPosition(ports_, options_->CommPort(), options_->DatumName());
        return LivePosition{r.ok, r.latitude, r.longitude};
    });
    playback_->noResponseMessage = [this] { return NoResponseMessage(ports_, options_->CommPort()); };
    frmMessage_ = new TfrmMessage(this);
    runner_ = new GuiWorkRunner(*frmMessage_, prompts_, this);
    connect(runner_, &GuiWorkRunner::started, this, [this] { setWorkRunning(true); });
    connect(runner_, &GuiWorkRunner::finished, this, [this] { setWorkRunning(false); });
    frmMonitor_ = new TfrmMonitor(*options_, prompts_, this);

    buildMenus();
    InstallImportExportCommands(*this);
    setAcceptDrops(true);
    // The default size; the screen and the last run may make it another.
    placement_ = new WindowPlacement(settings, this);
    resize(1024, 720);

    if (options_->MapLoadWithStart() == 1)
        guarded([this] { map_->OpenMap(); });
    zone_ = timeZone_.read();
}

TMainForm::~TMainForm() {
    // The settings reach the store once, when the main window goes.
    options_->save();
}

QAction* TMainForm::addCommand(QMenu* menu, const QString& caption, const QString& objectName,
                               void (TMainForm::*handler)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(objectName);
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    else
        action->setEnabled(false); // its work is not available in this build
    return action;
}

void TMainForm::buildMenus() {
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    addCommand(file, QStringLiteral("&Open..."), QStringLiteral("OpenTrack1"), &TMainForm::OpenTrack1Click)
        ->setShortcut(QKeySequence::Open);
    addCommand(file, QStringLiteral("Save &As..."), QStringLiteral("SaveTrackAs1"), &TMainForm::SaveTrackAs1Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    addCommand(file, QStringLiteral("Load &Map..."), QStringLiteral("OpenMap1"), &TMainForm::OpenMap1Click);
    addCommand(file, QStringLiteral("&Create Map Info..."), QStringLiteral("CreateMapInfo1"),
               &TMainForm::CreateMapInfo1Click);
    addCommand(file, QStringLiteral("Sa&ve Image As..."), QStringLiteral("SaveImageAs1"), &TMainForm::SaveImageAs1Click);
    file->addSeparator();

    QMenu* import = file->addMenu(QStringLiteral("&Import"));
    import->setObjectName(QStringLiteral("Import1"));
    QMenu* importTrack = import->addMenu(QStringLiteral("&Track"));
    addCommand(importTrack, QStringLiteral("from &Text file..."), QStringLiteral("Textfile1"));
    addCommand(importTrack, QStringLiteral("from &POT file..."), QStringLiteral("POTfile1"));
    addCommand(importTrack, QStringLiteral("from Pro&Atlas file..."), QStringLiteral("fromLogfile1"));
    addCommand(importTrack, QStringLiteral("from &NMEA file..."), QStringLiteral("fromNMEAfile1"));
    QMenu* importWaypoint = import->addMenu(QStringLiteral("&Waypoint"));
    addCommand(importWaypoint, QStringLiteral("from &Text file..."), QStringLiteral("Textfile2"));
    addCommand(importWaypoint, QStringLiteral("from &POT file..."), QStringLiteral("POTfile2"));
    addCommand(importWaypoint, QStringLiteral("from Pro&Atlas file..."), QStringLiteral("fromProAtlasfile1"));
    QMenu* importRoute = import->addMenu(QStringLiteral("&Route"));
    addCommand(importRoute, QStringLiteral("from &POT file..."), QStringLiteral("fromPOTfile1"));
    addCommand(import, QStringLiteral("from &GPX file..."), QStringLiteral("fromGPXfile1"));
    addCommand(import, QStringLiteral("from &IGC files..."), QStringLiteral("fromIGCfile1"));

    QMenu* exportMenu = file->addMenu(QStringLiteral("&Export"));
    exportMenu->setObjectName(QStringLiteral("Export1"));
    QMenu* exportTrack = exportMenu->addMenu(QStringLiteral("&Track"));
    addCommand(exportTrack, QStringLiteral("to &Text file..."), QStringLiteral("Textfile3"));
    addCommand(exportTrack, QStringLiteral("to &POT file..."), QStringLiteral("toPOTfile1"));
    addCommand(exportTrack, QStringLiteral("to Pro &Atlas file..."), QStringLiteral("toProAtlasfile1"));
    addCommand(exportTrack, QStringLiteral("to P&CX5 file..."), QStringLiteral("toPCX5file1"));
    QMenu* exportWaypoint = exportMenu->addMenu(QStringLiteral("&Waypoint"));
    addCommand(exportWaypoint, QStringLiteral("to &Text file..."), QStringLiteral("Textfile4"));
    addCommand(exportWaypoint, QStringLiteral("to &POT file..."), QStringLiteral("toPOTfile2"));
    addCommand(exportWaypoint, QStringLiteral("to Pro &Atlas file..."), QStringLiteral("toProAtlasfile2"));
    addCommand(exportWaypoint, QStringLiteral("to P&CX5 file"), QStringLiteral("toPCX5file2"));
    QMenu* exportRoute = exportMenu->addMenu(QStringLiteral("&Route"));
    addCommand(exportRoute, QStringLiteral("to &POT file..."), QStringLiteral("toPOTfile3"));
    addCommand(exportRoute, QStringLiteral("to P&CX5 file..."), QStringLiteral("toPCX5file3"));
    addCommand(exportMenu, QStringLiteral("to &GPX file..."), QStringLiteral("toGPXfile1"));
    addCommand(exportMenu, QStringLiteral("Flight to &IGC file..."), QStringLiteral("toIGCfile1"));
    addCommand(exportMenu, QStringLiteral("to &KML file..."), QStringLiteral("toKMLfile1"));
    file->addSeparator();
    addCommand(file, QStringLiteral("&Print..."), QStringLiteral("Print1"), &TMainForm::Print1Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addSeparator();
    addCommand(file, QStringLiteral("E&xit"), QStringLiteral("Exit1"), &TMainForm::Exit1Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("View1"));
    addCommand(view, QStringLiteral("&Track"), QStringLiteral("Track2"), &TMainForm::Track2Click);
    addCommand(view, QStringLiteral("Track &Result"), QStringLiteral("Analysis1"), &TMainForm::Analysis1Click);
    addCommand(view, QStringLiteral("Flight Re&port"), QStringLiteral("FlightReport1"), &TMainForm::FlightReport1Click);
    view->addSeparator();
    addCommand(view, QStringLiteral("Zoom &In"), QStringLiteral("ZoomIn1"), &TMainForm::ZoomIn1Click)
        ->setShortcuts({QKeySequence(Qt::Key_Plus), QKeySequence(Qt::KeypadModifier | Qt::Key_Plus),
                        QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    addCommand(view, QStringLiteral("Zoom &Out"), QStringLiteral("ZoomOut1"), &TMainForm::ZoomOut1Click)
        ->setShortcuts({QKeySequence(Qt::Key_Minus), QKeySequence(Qt::KeypadModifier | Qt::Key_Minus),
                        QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    view->addSeparator();
    QAction* waypoints = addCommand(view, QStringLiteral("W&aypoint"), QStringLiteral("Waypoint4"),
                                    &TMainForm::Waypoint4Click);
    waypoints->setCheckable(true);
    waypoints->setChecked(true);
    QAction* keepAspect = addCommand(view, QStringLiteral("&Keep Aspect"), QStringLiteral("KeepAspect1"),
                                     &TMainForm::KeepAspect1Click);
    keepAspect->setCheckable(true);
    keepAspect->setChecked(true);
    view->addSeparator();
    addCommand(view, QStringLiteral("R&efresh"), QStringLiteral("Rfresh1"), &TMainForm::Rfresh1Click);

    QMenu* gps = bar->addMenu(QStringLiteral("&GPS"));
    gps->setObjectName(QStringLiteral("GPS1"));
    QMenu* download = gps->addMenu(QStringLiteral("&Download"));
    download->setObjectName(QStringLiteral("Download1"));
    addCommand(download, QStringLiteral("&Track"), QStringLiteral("Track3"), &TMainForm::Track3Click);
    addCommand(download, QStringLiteral("&Waypoint"), QStringLiteral("Waypoint2"), &TMainForm::Waypoint2Click);
    addCommand(download, QStringLiteral("&Route"), QStringLiteral("Route1"), &TMainForm::Route1Click);
    addCommand(gps, QStringLiteral("&Monitor"), QStringLiteral("Monitor1"), &TMainForm::Monitor1Click);
    addCommand(gps, QStringLiteral("&Current Position"), QStringLiteral("CurrentPosition1"),
               &TMainForm::CurrentPosition1Click);
    QMenu* upload = gps->addMenu(QStringLiteral("&Upload"));
    upload->setObjectName(QStringLiteral("Upload1"));
    addCommand(upload, QStringLiteral("&Waypoint"), QStringLiteral("UploadWaypoint1"), &TMainForm::UploadWaypoint1Click);
    addCommand(upload, QStringLiteral("&Route"), QStringLiteral("Route4"), &TMainForm::Route4Click);
    gps->addSeparator();
    addCommand(gps, QStringLiteral("Edit &Waypoint..."), QStringLiteral("EditWaypoint1"), &TMainForm::EditWaypoint1Click);
    addCommand(gps, QStringLiteral("Create R&oute"), QStringLiteral("CreateRoute1"), &TMainForm::CreateRoute1Click)->setCheckable(true);
    addCommand(gps, QStringLiteral("Edit &Route..."), QStringLiteral("EditRoute1"), &TMainForm::EditRoute1Click);

    QMenu* option = bar->addMenu(QStringLiteral("&Option"));
    option->setObjectName(QStringLiteral("Option1"));
    addCommand(option, QStringLiteral("&Map Datum..."), QStringLiteral("Mapdatum1"), &TMainForm::Mapdatum1Click);
    addCommand(option, QStringLiteral("&Preference..."), QStringLiteral("Preference1"), &TMainForm::Preference1Click);

    // Commands that cannot run now are off, and their tool tips say why.
    for (QMenu* menu : {view, exportMenu}) {
        menu->setToolTipsVisible(true);
        connect(menu, &QMenu::aboutToShow, this, &TMainForm::updateCommands);
    }

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    addCommand(help, QStringLiteral("&Help"), QStringLiteral("Help2"), &TMainForm::Help2Click);
    help->addSeparator();
    addCommand(help, QStringLiteral("&About..."), QStringLiteral("About1"), &TMainForm::About1Click);
}

namespace {

constexpr const char* kEmptyLog =
    "The track log is empty. Download a track (GPS > Download > Track), or open or import one (File > Open, "
    "File > Import) first.";
constexpr const char* kNothingToZoom =
    "There is no map to zoom. Load a map (File > Load Map...), or open, import or download data first.";

} // namespace

void TMainForm::updateCommands() {
    // While long work runs every command is off and stays so.
    if (runner_->busy())
        return;
    const IFTGarminTrack* track = data_->track();
    const bool hasPoints = track && track->count() > 0;
    const QString emptyLog = hasPoints ? QString() : QString::fromLatin1(kEmptyLog);
    for (const char* name : {"Track2", "Analysis1", "FlightReport1", "toIGCfile1"})
        if (QAction* a = command(QString::fromLatin1(name))) {
            a->setEnabled(hasPoints);
            a->setToolTip(emptyLog);
        }
    const bool hasPicture = map_->canvas().picture() != render::MapCanvas::Picture::Blank;
    for (const char* name : {"ZoomIn1", "ZoomOut1"})
        if (QAction* a = command(QString::fromLatin1(name))) {
            a->setEnabled(hasPicture);
            a->setToolTip(hasPicture ? QString() : QString::fromLatin1(kNothingToZoom));
        }
}

void TMainForm::showNotice(const QString& text) {
    QStatusBar* bar = statusBar();
    if (!bar->property("nuvrelNotice").toBool()) {
        bar->setProperty("nuvrelNotice", true);
        connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& now) { bar->setVisible(!now.isEmpty()); });
    }
    bar->show();
    bar->showMessage(text, 10000);
}

QAction* TMainForm::command(const QString& objectName) const { return findChild<QAction*>(objectName); }

void TMainForm::guarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& e) {
        CursorAside aside;
        QMessageBox::critical(this, QStringLiteral("NUVREL"), render::fromCodePage(e.what()));
    }
}

bool TMainForm::openDataFile(const QString& path) {
    // A file that cannot be read changes nothing, so the picture stays too.
    bool ok = false;
    guarded([&] {
        ok = data_->load(path.toStdString(), routes_) == 1;
        if (ok) {
            map_->ShowHeldData();
            followData();
        }
    });
    return ok;
}

void TMainForm::OpenTrack1Click() {
    FileDialogSpec spec;
    spec.title = QStringLiteral("Open NUVREL data");
    spec.fileName = QStringLiteral("*.nvl");
    spec.filter = QStringLiteral("NUVREL file|*.nvl|All files|*.*");
    spec.folderValue = QString::fromLatin1(kDataFolderValue);
    const QString path = chooseFile(this, *options_, spec);
    if (!path.isEmpty())
        openDataFile(path);
}

void TMainForm::SaveTrackAs1Click() { saveDataAs(); }

bool TMainForm::saveDataAs() {
    // The route store always exists, so there is always something to save.
    FileDialogSpec spec;
    spec.title = QStringLiteral("Save NUVREL data");
    spec.fileName = QStringLiteral("*.nvl");
    spec.filter = QStringLiteral("Nuvrel file|*.nvl|All files|*.*");
    spec.folderValue = QString::fromLatin1(kDataFolderValue);
    spec.defaultSuffix = QStringLiteral("nvl");
    spec.save = true;
    const QString path = chooseFile(this, *options_, spec);
    return !path.isEmpty() && data_->save(path.toStdString(), &routes_);
}

void TMainForm::Exit1Click() { close(); }

void TMainForm::Preference1Click() {
    if (!frmPreference_) {
        frmPreference_ = new TfrmPreference(*options_, *data_, prompts_, ports_, this);
        connect(frmPreference_, &TfrmPreference::penChanged, map_, &MapWindow::Refresh);
        connect(frmPreference_, &TfrmPreference::traceMarkChanged, playback_, &TrackPlayback::ReplaceMarker);
    }
    frmPreference_->show();
    frmPreference_->raise();
    frmPreference_->activateWindow();
}

void TMainForm::Help2Click() {
    OpenHelp(SystemHelpEnvironment(QCoreApplication::applicationDirPath().toStdString()), prompts_);
}

void TMainForm::About1Click() {
    TfrmAbout about(this);
    about.exec();
}

void TMainForm::Mapdatum1Click() {
    if (!frmSeldatum_)
        frmSeldatum_ = new TfrmSeldatum(*options_, this);
    frmSeldatum_->exec();
}

void TMainForm::Waypoint4Click() {
    map_->setShowWaypoints(command(QStringLiteral("Waypoint4"))->isChecked());
    map_->Refresh();
}

void TMainForm::OpenMap1Click() {
    playback_->HideMarker(); // before the picture is replaced
    map_->OpenMap();
}

void TMainForm::CreateMapInfo1Click() { map_->CreateMapInfo(); }

void TMainForm::ZoomIn1Click() {
    if (map_->canvas().picture() == render::MapCanvas::Picture::Blank)
        prompts_.showMessage("Zoom In", kNothingToZoom);
    else
        map_->ZoomIn();
}

void TMainForm::ZoomOut1Click() {
    if (map_->canvas().picture() == render::MapCanvas::Picture::Blank)
        prompts_.showMessage("Zoom Out", kNothingToZoom);
    else
        map_->ZoomOut();
}

void TMainForm::KeepAspect1Click() {
    map_->setKeepAspect(command(QStringLiteral("KeepAspect1"))->isChecked());
    map_->Refresh();
}

void TMainForm::Rfresh1Click() { map_->Refresh(); }

bool TMainForm::trackHasPoints() {
    const IFTGarminTrack* track = data_->track();
    if (track && track->count() > 0)
        return true;
    prompts_.showMessage("NUVREL", kEmptyLog);
    return false;
}

void TMainForm::Track2Click() {
    if (trackHasPoints())
        playback_->Track2Click();
}

void TMainForm::CurrentPosition1Click() { playback_->CurrentPosition1Click(); }

void TMainForm::Analysis1Click() {
    // The track summary, only for a track log with points.
    if (!trackHasPoints())
        return;
    frmTrkList_->hide();
    frmTrkList_->show();
    frmTrkList_->raise();
}

void TMainForm::FlightReport1Click() {
    // The report of the whole log, only for a track log with points.
    if (!trackHasPoints())
        return;
    const IFTGarminTrack* track = data_->track();
    ShowFlightReport(frmFlightReport_, this, *track, -1, options_->DatumName(),
                     [this](std::uint32_t i) { guarded([&] { playback_->ShowTrackPoint(i); }); });
}

void TMainForm::followData() {
    updateCommands();
    frmTrkList_->dataReplaced();
    if (!frmFlightReport_)
        return;
    const IFTGarminTrack* track = data_->track();
    if (track && track->count() > 0)
        frmFlightReport_->setTrack(*track, -1, options_->DatumName());
    else
        frmFlightReport_->close();
}

void TMainForm::setWorkRunning(bool running) {
    if (running) {
        for (QAction* a : findChildren<QAction*>())
            if (a->isEnabled()) {
                a->setEnabled(false);
                disabledForWork_.push_back(a);
            }
        map_->setEnabled(false);
        monitorWasPolling_ = frmMonitor_->Timer1->isActive();
        frmMonitor_->Timer1->stop();
        return;
    }
    for (QAction* a : disabledForWork_)
        a->setEnabled(true);
    disabledForWork_.clear();
    map_->setEnabled(true);
    if (monitorWasPolling_ && frmMonitor_->isVisible())
        frmMonitor_->Timer1->start();
    if (closeAfterWork_) {
        closeAfterWork_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // During a transfer: asked whether to stop it; the window closes once
    // it has ended.
    if (runner_->busy()) {
        event->ignore();
        if (runner_->askToStop())
            closeAfterWork_ = true;
        return;
    }
    // Unsaved changes in either store (a download, a waypoint placed on the
    // map or edited in the list) are worth the question. On Yes the window
    // closes only once they are saved: a cancelled dialog or a failed save
    // keeps it open with the data.
    const IFTGarminTrack* track = data_->track();
    const IFTGarminWaypoint* waypoints = data_->waypoints();
    const bool modified = (track && track->modified()) || (waypoints && waypoints->modified());
    if (modified && prompts_.askYesNo("Confirm", "Do you wish to save?")) {
        bool saved = false;
        guarded([&] { saved = saveDataAs(); });
        if (!saved) {
            event->ignore();
            return;
        }
    }
    placement_->rememberOpenWindows();
    event->accept();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        paths << url.toLocalFile();
    event->acceptProposedAction();
    openDroppedFiles(paths);
}

void TMainForm::openDroppedFiles(const QStringList& paths) {
    // Only the first of several files is used.
    if (paths.isEmpty() || paths.first().isEmpty())
        return;
    guarded([&] {
        if (data_->load(paths.first().toStdString(), routes_) == 1) {
            map_->Refresh();
            followData();
        }
    });
}

} // namespace nuvrel::ui

namespace nuvrel::ui {

void TMainForm::setSerialPorts(SerialPorts ports) {
    ports_ = ports;
    frmMonitor_->setSerialPorts(std::move(ports));
}

GpsCommandServices TMainForm::gpsServices() { return GpsCommandServices{ports_, *options_, prompts_, *runner_}; }

// After a download, whatever its outcome, the picture shows what is held.
void TMainForm::Track3Click() {
    DownloadTrackCommand(*data_, gpsServices());
    map_->ShowHeldData();
    followData();
}

void TMainForm::Waypoint2Click() {
    DownloadWaypointsCommand(*data_, gpsServices());
    map_->ShowHeldData();
}

void TMainForm::UploadWaypoint1Click() { UploadWaypointsCommand(*data_, gpsServices()); }

void TMainForm::Route1Click() {
    DownloadRoutesCommand(routes_, gpsServices());
    map_->ShowHeldData();
}

void TMainForm::Route4Click() { UploadRoutesCommand(routes_, gpsServices()); }

void TMainForm::Monitor1Click() {
    frmMonitor_->show();
    frmMonitor_->raise();
}

} // namespace nuvrel::ui

namespace nuvrel::ui {

TfrmRoute& TMainForm::frmRoute() {
    if (!frmRoute_) {
        frmRoute_ = new TfrmRoute(routes_, *data_, *options_, this);
        // Route creation mode: a waypoint placed on the map also ends the
        // route shown in the editor.
        connect(map_, &MapWindow::routeWaypointClicked, frmRoute_,
                [this](const QString& ident, double latitude, double longitude, const QString& comment) {
                    AddRouteWaypoint(routes_, frmRoute_->currentRoute(), render::toCodePage(ident), latitude,
                                     longitude, render::toCodePage(comment));
                    map_->DrawRoutes();
                });
    }
    return *frmRoute_;
}

TfrmRtnoIn& TMainForm::frmRtnoIn() {
    if (!frmRtnoIn_)
        frmRtnoIn_ = new TfrmRtnoIn(prompts_, this);
    return *frmRtnoIn_;
}

TfrmSelRouteNo& TMainForm::frmSelRouteNo() {
    if (!frmSelRouteNo_)
        frmSelRouteNo_ = new TfrmSelRouteNo(prompts_, this);
    return *frmSelRouteNo_;
}

void TMainForm::CreateRoute1Click() {
    // The item's check mark has already turned: checked means switching on.
    QAction* item = command(QStringLiteral("CreateRoute1"));
    TfrmSelRouteNo& select = frmSelRouteNo();
    TfrmRoute& editor = frmRoute();
    if (item->isChecked() && select.exec() != QDialog::Accepted) {
        item->setChecked(false);
        map_->setCreateRoute(false);
        return;
    }
    map_->setCreateRoute(item->isChecked());
    if (const auto n = select.routeNumber()) {
        EnsureRoute(routes_, *n);
        editor.setRouteNumber(*n);
    }
}

void TMainForm::EditRoute1Click() {
    TfrmRoute& editor = frmRoute();
    editor.udRouteNo->setMaximum(int(routes_.RouteCount()) - 1);
    if (editor.exec() == QDialog::Accepted) {
        TfrmRtnoIn& confirm = frmRtnoIn();
        confirm.udUploadNo->setPosition(int(editor.currentRoute()));
        if (confirm.exec() == QDialog::Accepted) {
            if (const auto number = confirm.uploadNumber()) {
                QApplication::setOverrideCursor(Qt::WaitCursor);
                try {
                    UploadRouteCommand(routes_, editor.currentRoute(), *number, gpsServices());
                } catch (...) {
                    QApplication::restoreOverrideCursor();
                    throw;
                }
                QApplication::restoreOverrideCursor();
            }
        }
    }
    map_->Refresh();
}

void TMainForm::EditWaypoint1Click() {
    // Made per opening, so it always shows the store as it is now.
    TfrmWaypoint frmWaypoint(*data_, *options_, prompts_, this);
    frmWaypoint.exec();
    if (frmWaypoint.written())
        map_->Refresh();
}

} // namespace nuvrel::ui

// File > Print and Save Image As.
namespace nuvrel::ui {

PrintSetup& TMainForm::printSetup() {
    if (!printSetup_)
        printSetup_ = std::make_unique<PrintSetup>();
    return *printSetup_;
}

void TMainForm::Print1Click() {
    PrintMap(PrintServices{this, *map_, *data_, *options_, prompts_, *frmMessage_, printSetup()});
}

void TMainForm::SaveImageAs1Click() {
    const QString path = chooseImageFile(this, *options_);
    if (path.isEmpty())
        return;
    // A large map is held as a window of its picture: the file gets all of it.
    QImage picture;
    if (const std::string why = map_->canvas().WholePicture(picture); !why.empty()) {
        prompts_.showMessage("Error", "Can't save the image: " + why + ".");
        return;
    }
    if (const std::string why = SaveMapImage(picture, path); !why.empty())
        prompts_.showMessage("Error", "Can't write the image " + render::toCodePage(path) + ": " + why + ".");
}

} // namespace nuvrel::ui

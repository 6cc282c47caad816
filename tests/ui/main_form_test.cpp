// The main window through Qt Test, offscreen: its menus, the close question,
// dropped files, the open and save dialogs and the settings written at exit.
#include "core/data/ift_garmin_data.h"
#include "core/time_zone.h"
#include "file_dialog_answer.h"
#include "platform/qsettings_store.h"
#include "support/test_support.h"
#include "ui/file_dialogs.h"
#include "ui/main_form.h"
#include "ui/map_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <filesystem>
#include <functional>
#include <memory>

#include <unistd.h>

using namespace nuvrel;

namespace {

std::unique_ptr<IFTGarminTrack> trackOf(int points, int modified) {
    std::vector<TrackPoint> pts(static_cast<std::size_t>(points));
    for (int i = 0; i < points; ++i)
        pts[static_cast<std::size_t>(i)] = TrackPoint{35.0 + i * 0.01, 135.0, static_cast<std::uint32_t>(i), 1, 0, 0, 0};
    auto t = std::make_unique<IFTGarminTrack>(std::move(pts));
    t->setModified(modified);
    return t;
}

std::unique_ptr<IFTGarminWaypoint> waypointsOf(int modified) {
    auto w = std::make_unique<IFTGarminWaypoint>();
    w->append("TAKEOFF", 35.5, 135.5, "launch", 0);
    w->setModified(modified);
    return w;
}

// Renders a menu as "caption;caption;-;..." with submenus in brackets.
QString describe(const QMenu* menu) {
    QStringList parts;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            parts << QStringLiteral("-");
        else if (a->menu())
            parts << a->text() + QStringLiteral("[") + describe(a->menu()) + QStringLiteral("]");
        else
            parts << a->text() + (a->isChecked() ? QStringLiteral("(x)") : QString());
    }
    return parts.join(QLatin1Char(';'));
}

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void menusCarryTheCommandMap();
    void closeQuestion_data();
    void closeQuestion();
    void closeQuestionYesRunsSaveAs_data();
    void closeQuestionYesRunsSaveAs();
    void saveIntoAFolderTheUserMayNotWrite();
    void droppedFilesOpenOnlyTheFirst();
    void openDialogLoadsAndRemembersTheFolder();
    void aFileThatFailsToOpenChangesNothing();
    void zoneOffsetIsTheSameBeforeAndAfterAFileDialog();
    void settingsAreWrittenWhenTheWindowGoes();
    void mapDatumCommandStoresTheChosenDatum();
};

void MainFormTest::initTestCase() {
    // Before anything reads QSettings: keep the tests out of the user's config.
    test::useTempConfigHome();
}

void MainFormTest::menusCarryTheCommandMap() {
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    QCOMPARE(form.windowTitle(), QStringLiteral("Nuvrel Win"));

    QStringList top;
    for (QAction* a : form.menuBar()->actions())
        top << a->text();
    QCOMPARE(top, (QStringList{"&File", "&View", "&GPS", "&Option", "&Help"}));

    const auto menuAt = [&](int i) { return form.menuBar()->actions().at(i)->menu(); };
    QCOMPARE(describe(menuAt(0)),
             QStringLiteral("&Open...;Save &As...;-;Load &Map...;&Create Map Info...;Sa&ve Image As...;-;"
                            "&Import[&Track[from &Text file...;from &POT file...;from Pro&Atlas file...;from &NMEA file...];"
                            "&Waypoint[from &Text file...;from &POT file...;from Pro&Atlas file...];"
                            "&Route[from &POT file...];from &GPX file...;from &IGC files...];"
                            "&Export[&Track[to &Text file...;to &POT file...;to Pro &Atlas file...;to P&CX5 file...];"
                            "&Waypoint[to &Text file...;to &POT file...;to Pro &Atlas file...;to P&CX5 file];"
                            "&Route[to &POT file...;to P&CX5 file...];to &GPX file...;Flight to &IGC file...;to &KML file...];"
                            "-;&Print...;-;E&xit"));
    QCOMPARE(describe(menuAt(1)),
             QStringLiteral("&Track;Track &Result;Flight Re&port;&Logbook;-;Zoom &In;Zoom &Out;-;W&aypoint(x);&Keep Aspect(x);-;R&efresh"));
    QCOMPARE(describe(menuAt(2)),
             QStringLiteral("&Download[&Track;&Waypoint;&Route];&Monitor;&Current Position;&Upload[&Waypoint;&Route];-;"
                            "Edit &Waypoint...;Create R&oute;Edit &Route..."));
    QCOMPARE(describe(menuAt(3)), QStringLiteral("&Map Datum...;&Preference..."));
    QCOMPARE(describe(menuAt(4)), QStringLiteral("&Help;-;&About..."));

    for (const char* name : {"OpenTrack1", "SaveTrackAs1", "Exit1", "Waypoint4", "ZoomIn1", "Rfresh1", "Track3"})
        QVERIFY2(form.command(QString::fromLatin1(name)), name);
    QVERIFY(form.command(QStringLiteral("OpenTrack1"))->isEnabled());
    QVERIFY(form.command(QStringLiteral("Exit1"))->isEnabled());
}

void MainFormTest::closeQuestion_data() {
    QTest::addColumn<int>("trackState");    // -1 none, 0 saved, 1 modified
    QTest::addColumn<int>("waypointState"); // likewise
    QTest::addColumn<bool>("asks");
    QTest::newRow("modified track and waypoints ask once") << 1 << 1 << true;
    QTest::newRow("saved track, modified waypoints ask") << 0 << 1 << true;
    QTest::newRow("no track, modified waypoints ask") << -1 << 1 << true;
    QTest::newRow("nothing held does not ask") << -1 << -1 << false;
}

void MainFormTest::closeQuestion() {
    QFETCH(int, trackState);
    QFETCH(int, waypointState);
    QFETCH(bool, asks);
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    if (trackState >= 0)
        form.data().setTrack(trackOf(3, trackState));
    if (waypointState >= 0)
        form.data().setWaypoints(waypointsOf(waypointState));
    form.show();
    QVERIFY(form.close());
    QCOMPARE(prompts.count("question"), asks ? 1 : 0);
    if (asks) {
        QCOMPARE(QString::fromStdString(prompts.entries[0].title), QStringLiteral("Confirm"));
        QCOMPARE(QString::fromStdString(prompts.entries[0].text), QStringLiteral("Do you wish to save?"));
    }
}

void MainFormTest::closeQuestionYesRunsSaveAs_data() {
    QTest::addColumn<QString>("name"); // the answer to the save dialog; empty cancels
    QTest::addColumn<bool>("closes");
    QTest::newRow("saved") << QStringLiteral("closing.nvl") << true;
    QTest::newRow("dialog cancelled") << QString() << false;
    QTest::newRow("save failed") << QStringLiteral("gone/closing.nvl") << false; // no such folder
}

// Yes closes the window only once the data is saved; otherwise it stays open
// with the data, and a later No closes it.
void MainFormTest::closeQuestionYesRunsSaveAs() {
    QFETCH(QString, name);
    QFETCH(bool, closes);
    test::TempDir dir;
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    prompts.answers = {true, false};
    test::FixedTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    form.data().setTrack(trackOf(5, 0));
    form.data().setWaypoints(waypointsOf(1));
    form.show();
    const QString target = name.isEmpty() ? QString() : QString::fromStdString(dir.path().string()) + '/' + name;
    QString title;
    test::answerFileDialog(target, &title);
    QCOMPARE(form.close(), closes);
    QCOMPARE(title, QStringLiteral("Save NUVREL data"));
    QCOMPARE(form.data().waypoints()->modified(), closes ? 0 : 1);
    if (closes) {
        QVERIFY(QFile::exists(target));
        return;
    }
    QVERIFY(form.isVisible());
    QCOMPARE(form.data().waypoints()->count(), 1u);
    QVERIFY(form.close()); // No
    QCOMPARE(prompts.count("question"), 2);
}

// A folder the user may not write: the window stays open with the data, and
// the message names the file and the system's reason. Root writes anywhere,
// so under root this case runs again as nobody.
void MainFormTest::saveIntoAFolderTheUserMayNotWrite() {
    if (::getuid() == 0) {
        if (::access("/usr/bin/setpriv", X_OK) != 0)
            QSKIP("needs setpriv to run as nobody");
        const char* self = "saveIntoAFolderTheUserMayNotWrite";
        const test::ProgramRun r = test::runProgram(
            "/usr/bin/setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                 QCoreApplication::applicationFilePath().toStdString(), self}, {});
        QVERIFY2(r.status == 0 && r.out.find(std::string("PASS   : MainFormTest::") + self) != std::string::npos,
                 (r.out + r.err).c_str());
        return;
    }
    test::TempDir dir;
    const std::filesystem::path locked = dir / "locked";
    std::filesystem::create_directory(locked);
    std::filesystem::permissions(locked, std::filesystem::perms(0555));
    const std::string target = (locked / "closing.nvl").string();
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    prompts.answers = {true, false};
    test::FixedTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    form.data().setTrack(trackOf(5, 1));
    form.show();
    QString title;
    test::answerFileDialog(QString::fromStdString(target), &title);
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QCOMPARE(form.data().track()->count(), 5u);
    QCOMPARE(form.data().track()->modified(), 1);
    QCOMPARE(prompts.count("message"), 1);
    const std::string& said = prompts.entries.back().text;
    QVERIFY2(said.find(target) != std::string::npos && said.find("Permission denied") != std::string::npos,
             said.c_str());
    QVERIFY(std::filesystem::is_empty(locked));
    QVERIFY(form.close()); // No
}

void MainFormTest::droppedFilesOpenOnlyTheFirst() {
    test::TempDir dir;
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    QList<QUrl> urls;
    {
        IFTGarminData writer(DataContext{prompts, zone});
        CRouteField routes(1);
        for (int n : {4, 7, 9}) {
            writer.setTrack(trackOf(n, 0));
            const auto path = dir / ("drop" + std::to_string(n) + ".nvl");
            QVERIFY(writer.save(path.string(), &routes));
            urls << QUrl::fromLocalFile(QString::fromStdString(path.string()));
        }
    }
    ui::TMainForm form(store, prompts, zone);
    form.show();
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QVERIFY(enter.isAccepted());
    QStringList paths;
    for (const QUrl& url : urls)
        paths << url.toLocalFile();
    form.openDroppedFiles(paths);
    QVERIFY(form.data().track());
    QCOMPARE(form.data().track()->count(), 4u);
    QVERIFY(prompts.errors().empty());
}

// The computer's real zone: a version 1 file (it holds no offset) gets the
// zone's offset, before and after a file dialog ran.
void MainFormTest::zoneOffsetIsTheSameBeforeAndAfterAFileDialog() {
    qputenv("TZ", "Asia/Tokyo");
    tzset();
    test::TempDir dir;
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    CLibraryTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    form.show();
    const auto path = dir / "one.nvl";
    test::writeFileBytes(path, std::string("NUVREL") + std::string(10, '\0') + std::string("\1\0\0\0", 4) +
                                   std::string(8, '\0'));
    const QString file = QString::fromStdString(path.string());
    QVERIFY(form.openDataFile(file));
    QCOMPARE(form.data().timeOffset(), -32400);
    QString title;
    test::answerFileDialog(QString(), &title);
    form.command(QStringLiteral("OpenTrack1"))->trigger();
    QCOMPARE(title, QStringLiteral("Open NUVREL data"));
    form.data().setTimeOffset(0);
    QVERIFY(form.openDataFile(file));
    QCOMPARE(form.data().timeOffset(), -32400);
    qputenv("TZ", "UTC");
    tzset();
}

void MainFormTest::openDialogLoadsAndRemembersTheFolder() {
    test::TempDir dir;
    test::MemorySettingsStore store;
    store.keys[kSettingsKeyPath]; // the key exists, so the folder is remembered
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    const auto path = dir / "flight.nvl";
    {
        IFTGarminData writer(DataContext{prompts, zone});
        writer.setTrack(trackOf(6, 0));
        CRouteField routes(2);
        QVERIFY(writer.save(path.string(), &routes));
    }
    ui::TMainForm form(store, prompts, zone);
    form.show();
    QString title;
    test::answerFileDialog(QString::fromStdString(path.string()), &title);
    form.command(QStringLiteral("OpenTrack1"))->trigger();
    QCOMPARE(title, QStringLiteral("Open NUVREL data"));
    QVERIFY(form.data().track());
    QCOMPARE(form.data().track()->count(), 6u);
    QCOMPARE(form.routes().RouteCount(), 2u);
    const auto& remembered = std::get<std::string>(store.keys[kSettingsKeyPath].at("nuvreldata"));
    QCOMPARE(QString::fromStdString(remembered), QString::fromStdString(dir.path().string() + "/"));

    // Cancelling the dialog changes nothing.
    test::answerFileDialog(QString(), &title);
    form.command(QStringLiteral("OpenTrack1"))->trigger();
    QCOMPARE(form.data().track()->count(), 6u);
}

// A damaged file, through the open dialog, dropped or named at start, leaves
// the window with its data, flags, title and picture.
void MainFormTest::aFileThatFailsToOpenChangesNothing() {
    test::TempDir dir;
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    const auto good = dir / "good.nvl";
    const auto damaged = dir / "damaged.nvl";
    {
        IFTGarminData writer(DataContext{prompts, zone});
        CRouteField routes(1);
        writer.setTrack(trackOf(4, 0));
        QVERIFY(writer.save(good.string(), &routes));
        writer.setTrack(trackOf(9, 0));
        writer.setWaypoints(waypointsOf(0));
        QVERIFY(writer.save(damaged.string(), &routes));
    }
    // Cut inside the waypoint section: the track before it reads well.
    test::writeFileBytes(damaged, test::readFileBytes(damaged).substr(0, 108 + 8 + 9 * 32 + 4 + 50));
    ui::TMainForm form(store, prompts, zone);
    form.show();
    QVERIFY(form.openDataFile(QString::fromStdString(good.string())));
    form.data().track()->setModified(1); // as after an edit
    const QString title = form.windowTitle();
    const QImage picture = form.mapWindow().mapImage().copy();
    const QString path = QString::fromStdString(damaged.string());
    const std::function<void()> opens[] = {
        [&] {
            QString dialogTitle;
            test::answerFileDialog(path, &dialogTitle);
            form.command(QStringLiteral("OpenTrack1"))->trigger();
            QCOMPARE(dialogTitle, QStringLiteral("Open NUVREL data"));
        },
        [&] { form.openDroppedFiles({path}); },
        [&] { QVERIFY(!form.openDataFile(path)); },
    };
    for (const auto& open : opens) {
        prompts.entries.clear();
        open();
        QCOMPARE(prompts.count("message"), 1);
        QVERIFY(prompts.entries[0].text.find("is damaged") != std::string::npos);
        QVERIFY(form.data().track());
        QCOMPARE(form.data().track()->count(), 4u);
        QCOMPARE(form.data().track()->modified(), 1);
        QCOMPARE(form.data().waypoints()->count(), 0u);
        QCOMPARE(form.routes().RouteCount(), 1u);
        QCOMPARE(form.windowTitle(), title);
        QVERIFY(form.mapWindow().mapImage() == picture);
    }
}

void MainFormTest::settingsAreWrittenWhenTheWindowGoes() {
    QSettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    {
        ui::TMainForm form(store, prompts, zone);
        form.options().SetDatumName("WGS 84");
        form.options().SetCommPort(12); // refused by the setter
    }
    const QString file = QString::fromStdString(QSettingsStore::fileFor(kSettingsKeyPath));
    QVERIFY2(file.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")), qPrintable(file));
    QSettings written(file, QSettings::IniFormat);
    QCOMPARE(written.allKeys().size(), 14);
    QCOMPARE(written.value(QStringLiteral("DatumName")).toString(), QStringLiteral("WGS 84"));
    QCOMPARE(written.value(QStringLiteral("CommPort")).toInt(), 1);
    QCOMPARE(written.value(QStringLiteral("GPSModelID")).toInt(), 59);
}

void MainFormTest::mapDatumCommandStoresTheChosenDatum() {
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    form.show();
    QString title;
    QTimer::singleShot(50, [&title] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        title = dialog->windowTitle();
        auto* list = dialog->findChild<QListWidget*>();
        QVERIFY(list);
        const auto found = list->findItems(QStringLiteral("WGS 84"), Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        list->setCurrentItem(found.first());
        Q_EMIT list->itemClicked(found.first());
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("btnOK"));
        QVERIFY(ok);
        ok->click();
    });
    form.command(QStringLiteral("Mapdatum1"))->trigger();
    QCOMPARE(title, QStringLiteral("Select Map Datum"));
    QCOMPARE(QString::fromStdString(form.options().DatumName()), QStringLiteral("WGS 84"));
}

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"

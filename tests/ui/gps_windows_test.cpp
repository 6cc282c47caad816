// The progress window, the data monitor and the main window's receiver
// commands, offscreen, against nuvrel-gpssim on a pseudo-terminal.
#include "core/data/native_file.h"
#include "core/data/week_rollover.h"
#include "core/gps/gps_model.h"
#include "support/flight_generator.h"
#include "sim_main_form.h"
#include "ui/tfrm_message.h"
#include "ui/tfrm_monitor.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <cstdlib>
#include <ctime>

using namespace nuvrel;

class GpsWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void progressWindowShowsOneLine();
    void monitorPollsWhileShown();
    void monitorHidesWhenTheReceiverIsGone();
    void mainWindowCommandsDownloadAndShow();
    void failedDownloadKeepsTheData();
    void trackDownloadOffersTheRolloverFix();
};

void GpsWindowsTest::initTestCase() { test::useTempConfigHome(); }

void GpsWindowsTest::progressWindowShowsOneLine() {
    ui::TfrmMessage message;
    QCOMPARE(message.windowTitle(), QStringLiteral("Message"));
    QCOMPARE(message.lblMessage->text(), QStringLiteral("Down Loading"));
    QCOMPARE(message.lblMessage->font().family(), QStringLiteral("Arial"));
    QCOMPARE(message.lblMessage->font().pixelSize(), 28);
    Progress& progress = message;
    progress.setTitle("Downloading Track");
    QCOMPARE(message.windowTitle(), QStringLiteral("Downloading Track"));
    progress.show();
    QVERIFY(message.isVisible());
    progress.setLabel("45%(450/1000)");
    progress.repaint();
    QCOMPARE(message.lblMessage->text(), QStringLiteral("45%(450/1000)"));
    progress.hide();
    QVERIFY(!message.isVisible());
}

void GpsWindowsTest::monitorPollsWhileShown() {
    test::TempDir dir;
    const std::string data = test::writePositionFile(dir, 0.6 * 180 / M_PI, 2.4 * 180 / M_PI);
    test::SimProcess sim({"--data-text", data, "--utc", "2001-06-27T00:05:03"});
    QVERIFY(sim.started());
    test::MemorySettingsStore store;
    IFTOption option(store);
    option.SetDatumName("WGS 84");
    test::RecordingPrompts prompts;
    ui::TfrmMonitor monitor(option, prompts);
    monitor.setSerialPorts(sim.ports());
    QCOMPARE(monitor.windowTitle(), QStringLiteral("GPS Data Monitor"));
    QVERIFY(monitor.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(monitor.DEG->isChecked());
    QCOMPARE(monitor.Timer1->interval(), 500);
    QVERIFY(!monitor.Timer1->isActive());

    monitor.show();
    QCOMPARE(monitor.windowTitle(), QStringLiteral("GPS Data Monitor - WGS 84"));
    QVERIFY(monitor.Timer1->isActive());

    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "JST-9");
    tzset();
    monitor.Timer1Timer();
    QCOMPARE(monitor.txtLatitude->text(), QStringLiteral(" 34.37747"));
    QCOMPARE(monitor.txtLongitude->text(), QStringLiteral("137.50987"));
    QCOMPARE(monitor.txtTime->text(), QStringLiteral("2001/6/27 9:5:3"));
    monitor.DMS->setChecked(true);
    monitor.Timer1Timer();
    QCOMPARE(monitor.txtLatitude->text(), QStringLiteral(" 34^22'38.88\""));
    monitor.DM->setChecked(true);
    QTRY_COMPARE_WITH_TIMEOUT(monitor.txtLatitude->text(), QStringLiteral(" 34^22.648'"), 3000); // by the timer
    qputenv("TZ", oldTz);
    tzset();
    QVERIFY(prompts.entries.empty());

    monitor.hide();
    QVERIFY(!monitor.Timer1->isActive());
}

void GpsWindowsTest::monitorHidesWhenTheReceiverIsGone() {
    test::MemorySettingsStore store;
    IFTOption option(store);
    test::RecordingPrompts prompts;
    ui::TfrmMonitor monitor(option, prompts);
    SerialPorts ports = SerialPorts::System(nullptr);
    ports.environment = [](const std::string&) -> std::optional<std::string> { return "/nonexistent/tty"; };
    monitor.setSerialPorts(ports);
    monitor.show();
    monitor.Timer1Timer();
    QVERIFY(!monitor.isVisible());
    QVERIFY(!monitor.Timer1->isActive());
    QCOMPARE(prompts.errors(), std::vector<int>{2});
    QCOMPARE(monitor.txtLatitude->text(), QStringLiteral("  0.00000"));
}

void GpsWindowsTest::mainWindowCommandsDownloadAndShow() {
    test::SimMainForm s({"--product-id", "130"}, 130, 300);
    QVERIFY(s.sim.started());
    ui::TMainForm& form = s.form;
    for (const char* name : {"Track3", "Waypoint2", "Route1", "Monitor1", "UploadWaypoint1", "Route4"})
        QVERIFY2(form.command(QString::fromLatin1(name))->isEnabled(), name);

    form.command(QStringLiteral("Track3"))->trigger();
    QVERIFY(form.data().track());
    QCOMPARE(form.data().track()->count(), 18u);
    QVERIFY(!form.frmMessage().isVisible());
    form.command(QStringLiteral("Waypoint2"))->trigger();
    QCOMPARE(form.data().waypoints()->count(), 5u);
    form.command(QStringLiteral("Route1"))->trigger();
    QCOMPARE(form.routes().RouteCount(), 2u);
    QVERIFY(s.prompts.entries.empty());

    // New waypoints take display 3 only for D104 receivers.
    QCOMPARE(form.data().displayDefault(), std::int16_t(0));
    form.options().SetGPSModelID(72);
    QCOMPARE(form.data().displayDefault(), std::int16_t(3));

    form.command(QStringLiteral("Monitor1"))->trigger();
    QVERIFY(form.frmMonitor().isVisible());
    form.frmMonitor().hide();
}

// A download that stalls midway leaves the window's data as it was.
void GpsWindowsTest::failedDownloadKeepsTheData() {
    test::SimMainForm s({"--product-id", "130", "--stall-after", "12"}, 130);
    QVERIFY(s.sim.started());
    ui::TMainForm& form = s.form;
    form.data().setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>(2)));
    form.data().setTimeOffset(7200);
    form.command(QStringLiteral("Track3"))->trigger();
    QCOMPARE(s.prompts.errors(), std::vector<int>{2});
    QCOMPARE(form.data().track()->count(), 2u);
    QCOMPARE(form.data().track()->modified(), 0);
    QCOMPARE(form.data().timeOffset(), 7200);
}

// A receiver that dates this morning's flight 1024 weeks early: the download
// asks, and Yes moves every time by those weeks.
void GpsWindowsTest::trackDownloadOffersTheRolloverFix() {
    test::TempDir dir;
    const std::string receiver = (dir / "receiver.nvl").string();
    test::FlightPlan plan;
    plan.cycles = 1;
    plan.startTime = std::uint32_t(std::time(nullptr) - 6 * 3600 - 1024 * kWeekSeconds - kReceiverEpochOffset);
    {
        test::RecordingPrompts p;
        test::FixedTimeZone z;
        IFTGarminData data(DataContext{p, z, [] { return std::int16_t{0}; }});
        data.setTrack(std::make_unique<IFTGarminTrack>(test::generateFlight(plan)));
        QVERIFY(NativeFile::save(receiver, data, nullptr));
    }
    test::SimMainForm s({"--product-id", "130", "--data", receiver}, 130, 300);
    QVERIFY(s.sim.started());
    ui::TMainForm& form = s.form;
    form.options().SetDatumName("WGS 84");
    for (bool answer : {false, true}) {
        s.prompts.answers = {answer};
        form.command(QStringLiteral("Track3"))->trigger();
        QCOMPARE(s.prompts.entries.back().kind, std::string("question"));
        QCOMPARE(s.prompts.entries.back().text, std::string("The receiver's dates are 1024 weeks behind. Correct them?"));
        QCOMPARE(std::int64_t(form.data().track()->point(0).time) - plan.startTime,
                 answer ? 1024 * kWeekSeconds : 0);
    }
}

QTEST_MAIN(GpsWindowsTest)
#include "gps_windows_test.moc"

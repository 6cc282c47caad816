// GPS > "&Current Position" through the main window, offscreen, against
// nuvrel-gpssim on a pseudo-terminal: the marker follows the receiver, a
// position off the map shows on its edge, and the failures.
#include "core/analysis/position_mark.h"
#include "core/data/ift_garmin_data.h"
#include "render/position_mark.h"
#include "sim_process.h"
#include "support/test_support.h"
#include "ui/main_form.h"
#include "ui/map_window.h"
#include "ui/tfrm_playing.h"
#include "ui/track_playback.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cstdio>

using namespace nuvrel;

namespace {

std::string positionFile(const test::TempDir& dir, double lat, double lon) {
    const std::string path = (dir / "pos.txt").string();
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fprintf(f, "position|%.17g|%.17g\n", lat, lon);
    std::fclose(f);
    return path;
}

// A fitted view around 35.0 .. 35.1 N, 139.0 .. 139.2 E.
void showFitted(ui::TMainForm& form) {
    form.data().setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{
        TrackPoint{35.0, 139.0, 0, 1, 0, 0.f, 0.f}, TrackPoint{35.1, 139.2, 60, 1, 0, 0.f, 0.f}}));
    form.options().SetDatumName("WGS 84");
    form.resize(400, 300);
    form.show();
    form.mapWindow().FillBackground();
    form.mapWindow().FitViewToData();
    form.mapWindow().RedrawAll();
}

void stopAfter(ui::TMainForm& form, int ms, QObject* context) {
    QObject::connect(
        &form.playback(), &ui::TrackPlayback::playingStarted, context,
        [ms](ui::TfrmPlaying* window) { QTimer::singleShot(ms, window, [window] { window->btnStop->click(); }); },
        Qt::SingleShotConnection);
}

} // namespace

class GpsCurrentPositionTest : public QObject {
    Q_OBJECT
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;

private slots:
    void initTestCase() {
        static test::TempDir configHome;
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(configHome.path().string()));
    }

    void followsTheReceiver() {
        test::TempDir dir;
        test::SimProcess sim({"--data-text", positionFile(dir, 35.05, 139.1)});
        QVERIFY(sim.started());
        ui::TMainForm form(store, prompts, zone);
        form.setSerialPorts(sim.ports());
        showFitted(form);
        QVERIFY(form.command(QStringLiteral("CurrentPosition1"))->isEnabled());
        prompts.entries.clear();
        stopAfter(form, 600, this);
        form.command(QStringLiteral("CurrentPosition1"))->trigger();
        QVERIFY(prompts.errors().empty());
        QVERIFY(sim.recordLines("").size() >= 1);
        const MarkPixel expected = livePositionPixel(form.data(), form.mapWindow().mapParam(), 35.05, 139.1);
        QVERIFY(form.playback().marker().shown());
        // The receiver's position in radians comes back within a pixel.
        const QPoint at = form.playback().marker().lastPosition();
        QVERIFY2(std::abs(at.x() - expected.x) <= 1 && std::abs(at.y() - expected.y) <= 1,
                 qPrintable(QStringLiteral("%1,%2 vs %3,%4").arg(at.x()).arg(at.y()).arg(expected.x).arg(expected.y)));
        QVERIFY(!form.playback().timer().isActive());
    }

    void westOfTheMapShowsOnItsEdge() {
        test::TempDir dir;
        test::SimProcess sim({"--data-text", positionFile(dir, 35.05, 130.0)});
        QVERIFY(sim.started());
        ui::TMainForm form(store, prompts, zone);
        form.setSerialPorts(sim.ports());
        showFitted(form);
        stopAfter(form, 400, this);
        form.command(QStringLiteral("CurrentPosition1"))->trigger();
        QCOMPARE(form.playback().marker().lastPosition().x(), 0);
    }

    void withoutAMapTheReceiverIsNotAsked() {
        test::SimProcess sim({});
        QVERIFY(sim.started());
        ui::TMainForm form(store, prompts, zone);
        form.setSerialPorts(sim.ports());
        prompts.entries.clear();
        form.command(QStringLiteral("CurrentPosition1"))->trigger();
        QCOMPARE(prompts.errors(), (std::vector<int>{5}));
        QCOMPARE(QString::fromStdString(prompts.entries.back().text), QStringLiteral("Load map first!"));
        QTest::qWait(100);
        QVERIFY(sim.record().empty());
    }

    void silentReceiverStopsWithAnError() {
        test::SimProcess sim({"--silent"});
        QVERIFY(sim.started());
        ui::TMainForm form(store, prompts, zone);
        form.setSerialPorts(sim.ports());
        showFitted(form);
        prompts.entries.clear();
        bool stillOpen = false;
        connect(
            &form.playback(), &ui::TrackPlayback::playingStarted, this,
            [&](ui::TfrmPlaying* window) {
                // The request waits for its time-out, then the error stops the timer.
                QTimer::singleShot(100, window, [&, window] {
                    QTRY_VERIFY_WITH_TIMEOUT(!prompts.errors().empty(), 10000);
                    stillOpen = window->isVisible() && !form.playback().timer().isActive();
                    window->btnStop->click();
                });
            },
            Qt::SingleShotConnection);
        form.command(QStringLiteral("CurrentPosition1"))->trigger();
        QCOMPARE(prompts.errors(), (std::vector<int>{2}));
        QVERIFY(stillOpen);
    }
};

QTEST_MAIN(GpsCurrentPositionTest)
#include "gps_current_position_test.moc"

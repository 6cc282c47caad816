// GPS > "&Current Position" through the main window, offscreen, against
// nuvrel-gpssim on a pseudo-terminal: the marker follows the receiver, a
// position off the map shows on its edge, and the failures.
#include "core/analysis/position_mark.h"
#include "core/data/ift_garmin_data.h"
#include "render/position_mark.h"
#include "sim_main_form.h"
#include "ui/map_window.h"
#include "ui/tfrm_playing.h"
#include "ui/track_playback.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace nuvrel;

namespace {

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

private slots:
    void initTestCase() { test::useTempConfigHome(); }

    void followsTheReceiver() {
        test::TempDir dir;
        test::SimMainForm s({"--data-text", test::writePositionFile(dir, 35.05, 139.1)});
        QVERIFY(s.sim.started());
        ui::TMainForm& form = s.form;
        showFitted(form);
        QVERIFY(form.command(QStringLiteral("CurrentPosition1"))->isEnabled());
        s.prompts.entries.clear();
        stopAfter(form, 600, this);
        form.command(QStringLiteral("CurrentPosition1"))->trigger();
        QVERIFY(s.prompts.errors().empty());
        QVERIFY(s.sim.recordLines("").size() >= 1);
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
        test::SimMainForm s({"--data-text", test::writePositionFile(dir, 35.05, 130.0)});
        QVERIFY(s.sim.started());
        ui::TMainForm& form = s.form;
        showFitted(form);
        stopAfter(form, 400, this);
        form.command(QStringLiteral("CurrentPosition1"))->trigger();
        QCOMPARE(form.playback().marker().lastPosition().x(), 0);
    }

    void withoutAMapTheReceiverIsNotAsked() {
        test::SimMainForm s({});
        QVERIFY(s.sim.started());
        ui::TMainForm& form = s.form;
        s.prompts.entries.clear();
        form.command(QStringLiteral("CurrentPosition1"))->trigger();
        QCOMPARE(s.prompts.errors(), (std::vector<int>{5}));
        QCOMPARE(QString::fromStdString(s.prompts.entries.back().text), QStringLiteral("Load map first!"));
        QTest::qWait(100);
        QVERIFY(s.sim.record().empty());
    }

    void silentReceiverStopsWithAnError() {
        test::SimMainForm s({"--silent"});
        QVERIFY(s.sim.started());
        ui::TMainForm& form = s.form;
        showFitted(form);
        s.prompts.entries.clear();
        bool stillOpen = false;
        connect(
            &form.playback(), &ui::TrackPlayback::playingStarted, this,
            [&](ui::TfrmPlaying* window) {
                // The request waits for its time-out, then the error stops the timer.
                QTimer::singleShot(100, window, [&, window] {
                    QTRY_VERIFY_WITH_TIMEOUT(!s.prompts.errors().empty(), 10000);
                    stillOpen = window->isVisible() && !form.playback().timer().isActive();
                    window->btnStop->click();
                });
            },
            Qt::SingleShotConnection);
        form.command(QStringLiteral("CurrentPosition1"))->trigger();
        QCOMPARE(s.prompts.errors(), (std::vector<int>{2}));
        QVERIFY(stillOpen);
    }
};

QTEST_MAIN(GpsCurrentPositionTest)
#include "gps_current_position_test.moc"

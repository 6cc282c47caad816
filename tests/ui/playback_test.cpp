// View > "&Track" and the live position through the main window, offscreen:
// the stop window, the 50 ms timer, the marker following the track and the
// receiver, and the failures.
#include "core/analysis/position_mark.h"
#include "core/data/ift_garmin_data.h"
#include "render/position_mark.h"
#include "support/test_support.h"
#include "ui/main_form.h"
#include "ui/map_window.h"
#include "ui/tfrm_preference.h"
#include "ui/tfrm_playing.h"
#include "ui/track_playback.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace nuvrel;

namespace {

// n points going north-east, 4 s apart.
std::unique_ptr<IFTGarminTrack> trackOf(int n) {
    std::vector<TrackPoint> p;
    for (int i = 0; i < n; ++i)
        p.push_back(TrackPoint{35.0 + i * 0.001, 139.0 + i * 0.002, static_cast<std::uint32_t>(4 * i), 1, 0, 0.f, 0.f});
    return std::make_unique<IFTGarminTrack>(std::move(p));
}

void showFitted(ui::TMainForm& form) {
    form.resize(400, 300);
    form.show();
    form.mapWindow().FillBackground();
    form.mapWindow().FitViewToData();
    form.mapWindow().RedrawAll();
}

// Clicks "Click to stop" `ms` after the stop window opens.
void stopAfter(ui::TrackPlayback& playback, int ms, QObject* context) {
    QObject::connect(
        &playback, &ui::TrackPlayback::playingStarted, context,
        [ms](ui::TfrmPlaying* window) {
            QTimer::singleShot(ms, window, [window] { window->btnStop->click(); });
        },
        Qt::SingleShotConnection);
}

} // namespace

class PlaybackTest : public QObject {
    Q_OBJECT
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;

private slots:
    void playsEveryPointThenEnds() {
        ui::TMainForm form(store, prompts, zone);
        form.data().setTrack(trackOf(12));
        showFitted(form);
        ui::TrackPlayback& playback = form.playback();
        QCOMPARE(playback.timer().interval(), 50);
        QCOMPARE(playback.timer().objectName(), QStringLiteral("Timer1"));
        QVERIFY(!playback.timer().isActive());

        QString caption, button;
        connect(
            &playback, &ui::TrackPlayback::playingStarted, this,
            [&](ui::TfrmPlaying* window) {
                caption = window->windowTitle();
                button = window->btnStop->text();
            },
            Qt::SingleShotConnection);
        QElapsedTimer clock;
        clock.start();
        form.command(QStringLiteral("Track2"))->trigger(); // returns when the track has been played
        QVERIFY(clock.elapsed() >= 11 * 50 - 20);
        QCOMPARE(caption, QStringLiteral("Playing"));
        QCOMPARE(button, QStringLiteral("Click to stop"));
        QCOMPARE(playback.playbackIndex(), 12u);
        QVERIFY(!playback.timer().isActive());
        QVERIFY(!playback.frmPlaying());
        const IFTGarminTrack& track = *form.data().track();
        const Pixel last = PositionToPixel(form.mapWindow().mapParam(), form.data(), track.latitude(11), track.longitude(11));
        QCOMPARE(playback.marker().lastPosition(), QPoint(last.x, last.y));
        QVERIFY(playback.marker().shown());
        // The default marker is the hang glider; it was drawn into the picture.
        QCOMPARE(playback.marker().frameCount(), 1);

        // A second run starts again at the first point.
        stopAfter(playback, 120, this);
        form.command(QStringLiteral("Track2"))->trigger();
        QVERIFY(playback.playbackIndex() >= 1);
        QVERIFY(playback.playbackIndex() < 12);
    }

    void stopButtonEndsALongPlayback() {
        ui::TMainForm form(store, prompts, zone);
        form.data().setTrack(trackOf(2000));
        showFitted(form);
        stopAfter(form.playback(), 300, this);
        form.command(QStringLiteral("Track2"))->trigger();
        const auto index = form.playback().playbackIndex();
        QVERIFY(index >= 2);
        QVERIFY(index < 100);
        QVERIFY(!form.playback().timer().isActive());
        // The marker stays where it stopped.
        QVERIFY(form.playback().marker().shown());
    }

    void losingActivationStopsTheTimer() {
        ui::TMainForm form(store, prompts, zone);
        form.data().setTrack(trackOf(2000));
        showFitted(form);
        ui::TrackPlayback& playback = form.playback();
        std::uint32_t pausedAt = 0, later = 0;
        bool resumed = false;
        connect(
            &playback, &ui::TrackPlayback::playingStarted, this,
            [&](ui::TfrmPlaying* window) {
                QTimer::singleShot(150, window, [&, window] {
                    emit window->deactivated(); // another program came to the front
                    QVERIFY(!playback.timer().isActive());
                    pausedAt = playback.playbackIndex();
                    QTimer::singleShot(200, window, [&, window] {
                        later = playback.playbackIndex();
                        // Back to the front: the playback goes on from where it paused.
                        emit window->reactivated();
                        resumed = playback.timer().isActive();
                        window->btnStop->click(); // usable for closing
                    });
                });
            },
            Qt::SingleShotConnection);
        form.command(QStringLiteral("Track2"))->trigger();
        QVERIFY(pausedAt > 0);
        QCOMPARE(later, pausedAt);
        QVERIFY(resumed);
        QVERIFY(!playback.timer().isActive());
    }

    void nothingToPlay() {
        ui::TMainForm form(store, prompts, zone);
        bool started = false;
        connect(&form.playback(), &ui::TrackPlayback::playingStarted, this, [&] { started = true; });
        form.command(QStringLiteral("Track2"))->trigger();
        form.data().setTrack(std::make_unique<IFTGarminTrack>());
        form.command(QStringLiteral("Track2"))->trigger();
        QVERIFY(!started);
    }

    void unknownTraceMarkStillScrollsAndEnds() {
        test::MemorySettingsStore own;
        own.keys["Software\\Ostrel\\NuvRel"]["TraceMark"] = std::string("ZEPPELIN");
        ui::TMainForm form(own, prompts, zone);
        QCOMPARE(QString::fromStdString(form.options().TraceMark()), QStringLiteral("ZEPPELIN"));
        QCOMPARE(form.playback().marker().frameCount(), 0);
        form.data().setTrack(trackOf(5));
        showFitted(form);
        const QImage before = form.mapWindow().mapImage().copy();
        form.command(QStringLiteral("Track2"))->trigger();
        QCOMPARE(form.playback().playbackIndex(), 5u);
        QCOMPARE(form.mapWindow().mapImage(), before);
    }

    void replaceMarkerFollowsTheSetting() {
        ui::TMainForm form(store, prompts, zone);
        form.options().SetTraceMark("KAYAK");
        form.playback().ReplaceMarker();
        QCOMPARE(form.playback().marker().frameCount(), 3);
        form.options().SetTraceMark("FOOT");
        form.playback().ReplaceMarker();
        QCOMPARE(form.playback().marker().frameCount(), 2);
    }

    void preferenceDialogReplacesTheMarker() {
        ui::TMainForm form(store, prompts, zone);
        form.command(QStringLiteral("Preference1"))->trigger();
        auto* dialog = form.findChild<ui::TfrmPreference*>();
        QVERIFY(dialog);
        dialog->ComboBox1->setCurrentText(QStringLiteral("KAYAK"));
        QCOMPARE(form.playback().marker().frameCount(), 3);
        dialog->ComboBox1->setCurrentText(QStringLiteral("FOOT"));
        QCOMPARE(form.playback().marker().frameCount(), 2);
        dialog->close();
    }

    void rebuiltPictureForgetsTheMarker() {
        ui::TMainForm form(store, prompts, zone);
        form.data().setTrack(trackOf(20));
        showFitted(form);
        form.playback().ShowTrackPoint(10);
        QVERIFY(form.playback().marker().shown());
        form.command(QStringLiteral("Rfresh1"))->trigger(); // a new picture
        QVERIFY(!form.playback().marker().shown());
        form.playback().ShowTrackPoint(99); // beyond the log: nothing
        QVERIFY(!form.playback().marker().shown());
    }

    void loadMapTakesTheMarkerOffFirst() {
        ui::TMainForm form(store, prompts, zone);
        form.data().setTrack(trackOf(20));
        showFitted(form);
        const QImage clean = form.mapWindow().mapImage().copy();
        form.playback().ShowTrackPoint(5);
        QVERIFY(form.mapWindow().mapImage() != clean);
        // The map dialog is cancelled: the picture stays, without the marker.
        form.mapWindow().chooseMapFile = [](const QString&) { return QString(); };
        form.command(QStringLiteral("OpenMap1"))->trigger();
        QVERIFY(!form.playback().marker().shown());
        QCOMPARE(form.mapWindow().mapImage(), clean);
    }

    void livePositionNeedsAMap() {
        ui::TMainForm form(store, prompts, zone);
        int requests = 0;
        form.playback().setPositionRequest([&] {
            ++requests;
            return ui::LivePosition{true, 35, 139};
        });
        prompts.entries.clear();
        form.playback().CurrentPosition1Click();
        QCOMPARE(prompts.errors(), (std::vector<int>{5}));
        QCOMPARE(requests, 0);
    }

    void livePositionFollowsTheReceiver() {
        ui::TMainForm form(store, prompts, zone);
        form.data().setTrack(trackOf(20));
        showFitted(form);
        ui::TrackPlayback& playback = form.playback();
        const IFTMapParam& param = form.mapWindow().mapParam();
        QVERIFY(param.bitmap_height > 0);
        int requests = 0;
        playback.setPositionRequest([&] {
            ++requests;
            // West of the map, at the latitude of the track's middle.
            return ui::LivePosition{true, 35.010, 100.0};
        });
        stopAfter(playback, 200, this);
        prompts.entries.clear();
        playback.CurrentPosition1Click();
        QVERIFY(requests >= 2);
        QCOMPARE(playback.timerMode(), ui::TrackPlayback::kLivePosition);
        QCOMPARE(playback.marker().lastPosition().x(), 0); // shown on the edge
        QCOMPARE(playback.marker().lastPosition(),
                 QPoint(livePositionPixel(form.data(), param, 35.010, 100.0).x,
                        livePositionPixel(form.data(), param, 35.010, 100.0).y));
        QVERIFY(prompts.errors().empty());
    }

    void livePositionFailureStopsAndKeepsTheWindow() {
        ui::TMainForm form(store, prompts, zone);
        form.data().setTrack(trackOf(20));
        showFitted(form);
        ui::TrackPlayback& playback = form.playback();
        int requests = 0;
        playback.setPositionRequest([&] {
            ++requests;
            return ui::LivePosition{};
        });
        bool openAfterFailure = false;
        connect(
            &playback, &ui::TrackPlayback::playingStarted, this,
            [&](ui::TfrmPlaying* window) {
                QTimer::singleShot(300, window, [&, window] {
                    openAfterFailure = window->isVisible() && !playback.timer().isActive();
                    window->btnStop->click();
                });
            },
            Qt::SingleShotConnection);
        prompts.entries.clear();
        playback.CurrentPosition1Click();
        QCOMPARE(requests, 1);
        QCOMPARE(prompts.errors(), (std::vector<int>{2}));
        QVERIFY(openAfterFailure);
    }
};

QTEST_MAIN(PlaybackTest)
#include "playback_test.moc"

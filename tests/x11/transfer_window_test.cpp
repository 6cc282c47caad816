// A download at the real line speed runs beside a live window: another X
// client sees the progress window painted with its caption and current
// line, the main window repaints after a resize, Cancel stops the transfer
// within a second and leaves the data and the picture as they were, and the
// next transfer on the same receiver works.
#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/app/gps_commands.h"
#include "sim_main_form.h"
#include "ui/map_window.h"
#include "ui/tfrm_message.h"
#include "x11_support.h"

using namespace nuvrel;

class TransferWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useTempConfigHome(); }

    void cancelledDownloadLeavesTheWindowAliveAndTheDataAsTheyWere()
    {
        const int points = 2000;
        test::SimMainForm s({"--product-id", "130", "--track-points", std::to_string(points), "--pace"}, 130, 300);
        QVERIFY(s.sim.started());
        ui::TMainForm& form = s.form;
        form.resize(900, 640);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The data before: a short track on a fitted view.
        std::vector<TrackPoint> old(3);
        for (int i = 0; i < 3; ++i) {
            old[i].latitude = 35.0 + 0.01 * i;
            old[i].longitude = 139.0 + 0.02 * i;
            old[i].segment = 1;
        }
        form.data().setTrack(std::make_unique<IFTGarminTrack>(old));
        form.mapWindow().ShowHeldData();
        QTest::qWait(100);
        QImage pictureBefore; // taken after the resize, which fits the view anew

        ui::TfrmMessage& message = form.frmMessage();
        x11::ServerView view;
        const test::TempDir shots;
        QStringList seenLines;
        QImage resizedGrab, resizedOwn, progressGrab;
        qint64 cancelToReturnMs = -1;
        QElapsedTimer sinceCancel;

        // A script on the GUI thread's timers while the download runs.
        int step = 0;
        QTimer script;
        script.setInterval(50);
        connect(&script, &QTimer::timeout, [&] {
            if (!message.isVisible())
                return;
            const QString line = message.lblMessage->text();
            if (!seenLines.contains(line))
                seenLines << line;
            if (step == 0 && line.contains(QLatin1String("%("))) {
                form.resize(760, 520); // smaller than before: the map is laid out anew
                step = 1;
            } else if (step >= 1 && step < 8) {
                ++step; // a few ticks for the repaint
            } else if (step == 8) {
                resizedGrab = view.grab(xcb_window_t(form.winId()));
                resizedOwn = x11::ownRendering(&form);
                // The progress window lies over the main window: its area is not the main window's.
                const QRect over(form.mapFromGlobal(message.geometry().topLeft()), message.size());
                QPainter blank(&resizedGrab);
                blank.fillRect(over, Qt::black);
                QPainter blankOwn(&resizedOwn);
                blankOwn.fillRect(over, Qt::black);
                progressGrab = view.grab(xcb_window_t(message.winId()));
                pictureBefore = form.mapWindow().mapImage().copy();
                step = 9;
                sinceCancel.start();
                message.btnCancel->click();
            }
        });
        script.start();
        form.command(QStringLiteral("Track3"))->trigger(); // returns when the transfer has ended
        cancelToReturnMs = sinceCancel.isValid() ? sinceCancel.elapsed() : -1;
        script.stop();

        // Kept where NUVREL_SHOTS points (to look at them), else dropped with the folder.
        const QString shotDir = qEnvironmentVariableIsSet("NUVREL_SHOTS")
                                    ? qEnvironmentVariable("NUVREL_SHOTS")
                                    : QString::fromStdString(shots.path().string());
        resizedGrab.save(shotDir + QStringLiteral("/transfer-main-window.png"));
        progressGrab.save(shotDir + QStringLiteral("/transfer-progress-window.png"));
        QVERIFY2(step == 9, qPrintable(QStringLiteral("script stopped at step %1").arg(step)));
        QVERIFY2(cancelToReturnMs >= 0 && cancelToReturnMs < 1000, qPrintable(QString::number(cancelToReturnMs)));
        // The main window as the X server holds it is the window at its new
        // size, painted: the GUI thread was free during the transfer.
        QCOMPARE(resizedGrab.size(), QSize(760, 520));
        QVERIFY2(x11::differingShare(resizedGrab, resizedOwn) < 0.02,
                 qPrintable(QString::number(x11::differingShare(resizedGrab, resizedOwn))));
        // The progress window showed its line moving on, with the Cancel button.
        QVERIFY2(seenLines.size() >= 2, qPrintable(seenLines.join(QStringLiteral(", "))));
        QVERIFY(x11::colourCount(progressGrab) > 20);

        // Cancelled: nothing was said, the receiver was told to abort, and
        // the data, its modified flag and the picture are as before.
        QVERIFY(s.prompts.entries.empty());
        QVERIFY(s.sim.waitForRecord("abort"));
        QCOMPARE(form.data().track()->count(), std::uint32_t(3));
        QCOMPARE(form.data().track()->modified(), 0);
        QVERIFY(form.mapWindow().mapImage() == pictureBefore);
        QVERIFY(form.command(QStringLiteral("Track3"))->isEnabled());
        QVERIFY(!message.isVisible());

        // The receiver stayed on: the next download works at once.
        form.command(QStringLiteral("Waypoint2"))->trigger();
        QVERIFY(s.prompts.entries.empty());
        QVERIFY(form.data().waypoints() && form.data().waypoints()->count() > 0);
        QCOMPARE(form.data().track()->count(), std::uint32_t(3));
    }
};

QTEST_MAIN(TransferWindowTest)
#include "transfer_window_test.moc"

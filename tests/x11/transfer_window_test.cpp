// The progress window during a download at the real line speed: another X
// client looks at it while the program's GUI thread is busy with the
// transfer, and must see its caption text and its current progress line.
// A close request sent to the main window meanwhile does not end the program
// after the transfer.
#include <QAction>
#include <QLabel>
#include <QTest>

#include "core/gps/transfers.h"
#include "sim_main_form.h"
#include "ui/tfrm_message.h"
#include "x11_support.h"

#include <atomic>
#include <mutex>
#include <thread>

using namespace nuvrel;

class TransferWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useTempConfigHome(); }

    void progressWindowShowsItsTextDuringTheDownload()
    {
        const int points = 150;
        test::SimMainForm s({"--product-id", "130", "--track-points", std::to_string(points), "--pace"}, 130, 300);
        QVERIFY(s.sim.started());
        ui::TMainForm& form = s.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui::TfrmMessage& message = form.frmMessage();
        const xcb_window_t progressWindow = xcb_window_t(message.winId());
        const xcb_window_t mainWindow = xcb_window_t(form.winId());

        // Another client grabs the progress window every 200 ms while it is
        // on the screen, and once clicks the main window's close box.
        std::atomic<bool> done{false};
        std::mutex lock;
        std::vector<QImage> grabs;
        QImage screen;
        std::thread watcher([&] {
            x11::ServerView view;
            bool appeared = false;
            while (!done) {
                if (view.viewable(progressWindow)) {
                    // Mapping comes a moment before the first paint.
                    if (!appeared) {
                        appeared = true;
                        std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    }
                    QImage grab = view.grab(progressWindow);
                    std::lock_guard<std::mutex> hold(lock);
                    if (!grab.isNull())
                        grabs.push_back(grab);
                    if (grabs.size() == 5) {
                        screen = view.grab(view.root());
                        view.requestClose(mainWindow);
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
        });
        form.command(QStringLiteral("Track3"))->trigger(); // blocks for the transfer
        done = true;
        watcher.join();
        QVERIFY(s.prompts.entries.empty());
        QCOMPARE(form.data().track()->count(), std::uint32_t(points));
        QVERIFY(!message.isVisible());
        x11::keepScreenshot(screen, QStringLiteral("nuvrel-x11-transfer-screen.png"));

        // The last line names the number of packets announced.
        const QString last = message.lblMessage->text();
        const int slash = last.indexOf(QLatin1Char('/'));
        QVERIFY2(slash > 0, qPrintable(last));
        const int announced = last.mid(slash + 1).chopped(1).toInt();
        QVERIFY(announced >= points);
        QStringList texts{QStringLiteral("Downloading Track")};
        for (int n = 0; n <= announced; ++n)
            texts << QString::fromStdString(TrackProgressLabel(std::uint32_t(n), announced));

        // Each grab is the window painted with one of its texts; the line
        // moved on between the grabs.
        QVERIFY2(grabs.size() >= 5, qPrintable(QString::number(grabs.size())));
        QSet<QString> seen;
        for (std::size_t g = 0; g < grabs.size(); ++g) {
            const QImage& grab = grabs[g];
            if (g == grabs.size() / 2)
                x11::keepScreenshot(grab, QStringLiteral("nuvrel-x11-transfer-window.png"));
            QString best;
            double bestShare = 1.0;
            for (const QString& text : texts) {
                message.lblMessage->setText(text);
                const double share = x11::differingShare(grab, x11::ownRendering(&message));
                if (share < bestShare) {
                    bestShare = share;
                    best = text;
                }
            }
            QVERIFY2(bestShare < 0.01, qPrintable(QStringLiteral("grab %1: nearest \"%2\", %3 differs")
                                                      .arg(g)
                                                      .arg(best)
                                                      .arg(bestShare)));
            seen.insert(best);
        }
        QVERIFY2(seen.size() >= 3, qPrintable(QStringList(seen.values()).join(QStringLiteral(", "))));

        // The close request came while the transfer blocked every other
        // window: it was dropped, the main window is still there.
        QTest::qWait(200);
        QVERIFY(form.isVisible());
        QVERIFY(s.prompts.entries.empty());
    }
};

QTEST_MAIN(TransferWindowTest)
#include "transfer_window_test.moc"

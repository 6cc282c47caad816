// The "Flight Report" window on a real X server: opened from the track list's
// View menu, its text and barogram really on the screen, a click on the
// barogram showing that point, the rules switch, and the PNG and printed
// page painted by the same renderer. The screenshot is kept under build/tests/screenshots.
#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QElapsedTimer>
#include <QTest>

#include <cstdlib>

#include "core/data/ift_garmin_data.h"
#include "core/data/ift_garmin_track.h"
#include "support/flight_generator.h"
#include "support/score_reference.h"
#include "support/test_support.h"
#include "ui/tfrm_flight_report.h"
#include "ui/tfrm_trk_list.h"
#include "x11_support.h"

using namespace nuvrel;

class FlightReportWindowTest : public QObject {
    Q_OBJECT
private slots:
    void reportFromTheTrackListOnScreen()
    {
        test::RecordingPrompts prompts;
        test::FixedTimeZone zone;
        IFTGarminData data{DataContext{prompts, zone}};
        test::FlightSim a;
        a.noiseM = 5;
        a.courseTurnDeg = 120;
        a.cycles = 3;
        test::FlightSim b = a;
        b.windKmh = 25;
        b.pattern = test::SimPattern::FigureEights; // a wind from turns alone
        const test::SimulatedFlight sim = test::simulateDay({a, b});
        data.setTrack(std::make_unique<IFTGarminTrack>(sim.points));
        std::vector<std::uint32_t> shown;
        ui::TfrmTrkList list(data, [&](std::uint32_t i) { shown.push_back(i); });
        list.FormShow();
        list.FlightReport1->trigger();
        auto* window = list.findChild<ui::TfrmFlightReport*>();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Flight Report"));
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->report().flights.size(), std::size_t{2});
        QVERIFY(window->txtReport->toPlainText().contains(QStringLiteral("Flight 2")));
        QVERIFY(window->txtReport->toPlainText().contains(QStringLiteral("  turn winds: 1\n    1: points ")));
        QVERIFY(window->report().flights[1].wind.fromTurns);

        // What the X server shows is what the window paints.
        QTRY_VERIFY(x11::differingShare(x11::screenPixels(window), x11::ownRendering(window)) < 0.02);
        const QImage baro = x11::screenPixels(window->pbBarogram);
        QVERIFY(x11::colourCount(baro) > 20);
        x11::keepScreenshot(x11::screenPixels(window), QStringLiteral("nuvrel_flight_report_window.png"));

        // A click at the second take-off's place shows that point.
        const std::uint32_t takeoff = window->report().flights[1].takeoff;
        int xAt = -1;
        for (int x = 0; x < window->pbBarogram->width() && xAt < 0; ++x)
            if (window->pbBarogram->pointAt(x) >= int(takeoff))
                xAt = x;
        QVERIFY(xAt >= 0);
        QTest::mouseClick(window->pbBarogram, Qt::LeftButton, {}, QPoint(xAt, window->pbBarogram->height() / 3));
        QCOMPARE(shown.size(), std::size_t{1});
        QVERIFY(std::abs(double(sim.points[shown[0]].time) - double(sim.points[takeoff].time)) < 60);

        window->cboRules->setCurrentIndex(1);
        QVERIFY(window->txtReport->toPlainText().contains(QStringLiteral("score:     ffvl")));

        // The PNG and the printed page come from the same painter.
        test::TempDir dir;
        const QString png = QString::fromStdString((dir / "report.png").string());
        QVERIFY(window->savePng(png));
        const QImage page(png);
        QCOMPARE(page.size(), QSize(1200, 1000));
        QVERIFY(x11::colourCount(page) > 20);
        x11::keepScreenshot(page, QStringLiteral("nuvrel_flight_report_page.png"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = QString::fromStdString((dir / "report.pdf").string());
        printer.setOutputFileName(pdf);
        window->print(printer);
        QVERIFY(QFileInfo(pdf).size() > 2000);
    }

    // The longest real flight log: the window shows its report at once with
    // "scoring..." where the score goes, and stays live (repaints after a
    // resize) while the score is computed apart; the score then appears.
    // Closing the window stops the scoring.
    void longRealFlightStaysLiveWhileScoring()
    {
        if (!test::scoreReferenceAvailable()) {
            const char* ci = std::getenv("CI");
            if (ci && std::string(ci) == "true")
                QFAIL("node or the real flight logs are missing (scripts/install-deps)");
            QSKIP("node or the real flight logs are not installed (scripts/install-deps)");
        }
        const auto logs = test::realFlightLogs();
        const auto longest = std::find_if(logs.begin(), logs.end(), [](const auto& p) {
            return p.filename() == "freeflight-xcontest-465.33.igc";
        });
        QVERIFY(longest != logs.end());
        const auto flights = test::runScoreReference({*longest}, "-", true);
        QCOMPARE(flights.size(), std::size_t{1});
        const IFTGarminTrack track(flights[0].points);

        ui::TfrmFlightReport window(nullptr);
        struct PaintWatch : QObject {
            ui::TfrmFlightReport* w;
            int whileScoring = 0, total = 0;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Paint) {
                    ++total;
                    whileScoring += w->scoring() ? 1 : 0;
                }
                return false;
            }
        } watch;
        watch.w = &window;
        window.txtReport->viewport()->installEventFilter(&watch);
        QElapsedTimer clock;
        clock.start();
        window.setTrack(track, -1, "WGS 84");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(watch.total > 0);
        const qint64 shownMs = clock.elapsed();
        QVERIFY(!window.report().flights.empty());
        QVERIFY(watch.whileScoring > 0); // the first paint came before the score
        QVERIFY(window.txtReport->toPlainText().contains(QStringLiteral("score:     xcontest, scoring...")));

        // Live while scoring: a resize is painted.
        const int before = watch.whileScoring;
        window.resize(900, 800);
        QTRY_VERIFY(watch.total > before);
        QVERIFY(watch.whileScoring > before);
        QTRY_VERIFY(x11::differingShare(x11::screenPixels(&window), x11::ownRendering(&window)) < 0.02);
        if (const char* shots = std::getenv("NUVREL_SCREENSHOT_DIR"))
            x11::screenPixels(&window).save(QString::fromUtf8(shots) + QStringLiteral("/flight_report_scoring.png"));

        QTRY_VERIFY_WITH_TIMEOUT(!window.scoring(), 120000);
        const qint64 scoredMs = clock.elapsed();
        QVERIFY(window.txtReport->toPlainText().contains(QStringLiteral("Free Flight")));
        QVERIFY(!window.txtReport->toPlainText().contains(QStringLiteral("scoring...")));
        if (const char* shots = std::getenv("NUVREL_SCREENSHOT_DIR"))
            x11::screenPixels(&window).save(QString::fromUtf8(shots) + QStringLiteral("/flight_report_scored.png"));
        std::printf("%zu points: report shown after %lld ms, scored after %lld ms\n", flights[0].points.size(),
                    static_cast<long long>(shownMs), static_cast<long long>(scoredMs));

        // New rules start a new score; closing the window stops it.
        window.cboRules->setCurrentIndex(1);
        QVERIFY(window.scoring());
        QVERIFY(window.txtReport->toPlainText().contains(QStringLiteral("score:     ffvl, scoring...")));
        window.close();
    }
};

QTEST_MAIN(FlightReportWindowTest)
#include "flight_report_window_test.moc"

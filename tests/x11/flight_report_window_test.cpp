// The "Flight Report" window on a real X server: opened from the track list's
// View menu, its text and barogram really on the screen, a click on the
// barogram showing that point, the rules switch, and the PNG and printed
// page painted by the same renderer. The screenshot is kept under build/tests/screenshots.
#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTest>

#include "core/data/ift_garmin_data.h"
#include "support/flight_generator.h"
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
};

QTEST_MAIN(FlightReportWindowTest)
#include "flight_report_window_test.moc"

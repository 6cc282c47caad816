// The "Logbook" window on a real X server, over a logbook of real flight
// logs: the flights listed with a totals line and the totals per year and
// glider, filtered by year, site, glider and text, sorted by points, a site
// named in place, a deletion asked first, and a double-click that opens the
// flight over the map with its Flight Report. The screenshots are kept
// under build/tests/screenshots.
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include "core/data/ift_garmin_track.h"
#include "core/logbook/logbook.h"
#include "core/logbook/logbook_entries.h"
#include "core/logbook/logbook_text.h"
#include "support/score_reference.h"
#include "support/test_support.h"
#include "ui/application_identity.h"
#include "ui/main_form.h"
#include "ui/tfrm_flight_report.h"
#include "ui/tfrm_logbook.h"
#include "x11_support.h"

using namespace nuvrel;

class LogbookWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        test::useTempConfigHome();
        ui::SetApplicationIdentity();
    }

    void listsFiltersAndOpensAFlight()
    {
        std::vector<std::string> files;
        for (const auto& p : test::realFlightLogs())
            for (const char* name : {"d3p.igc", "flat-xcontest-8.01.igc", "tri.igc", "MurphyJ-2022-03-26.igc", "line.igc"})
                if (p.filename() == name)
                    files.push_back(p.string());
        if (files.size() != 5) {
            const char* ci = std::getenv("CI");
            if (ci && std::string(ci) == "true")
                QFAIL("the real flight logs are missing (scripts/install-deps)");
            QSKIP("the real flight logs are not installed (scripts/install-deps)");
        }
        test::TempDir dir;
        const std::string path = (dir / "logbook.sqlite").string();
        test::RecordingPrompts prompts;
        test::FixedTimeZone zone;
        {
            std::string error;
            auto book = Logbook::open(path, error);
            QVERIFY2(book, error.c_str());
            LogbookDefaults defaults;
            const LogbookFilesAdded added = addLogbookFiles(*book, files, "WGS 84", DataContext{prompts, zone}, defaults);
            QVERIFY2(added.error.empty(), added.error.c_str());
            QVERIFY(added.added >= 5);
        }
        std::string error;
        std::vector<LogbookFlight> all = Logbook::open(path, error)->flights();
        const int n = int(all.size());

        test::MemorySettingsStore store;
        test::RecordingPrompts recorded;
        ui::TMainForm form(store, recorded, zone);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui::TfrmLogbook* w = ui::ShowLogbook(form, path);
        QVERIFY(w->isOpen());
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(w->windowTitle(), QStringLiteral("Logbook"));
        QCOMPARE(w->grdFlights->model()->rowCount(), n);
        const LogbookTotal total = logbookTotals(all, LogbookGroup::All).front();
        QCOMPARE(w->lblTotals->text(), QStringLiteral("Shown: %1 flights, %2 air time, %3 km, %4 points")
                                           .arg(n)
                                           .arg(QString::fromStdString(logbookDurationText(total.airTimeS)))
                                           .arg(total.distanceKm, 0, 'f', 1)
                                           .arg(total.points, 0, 'f', 2));
        // Totals per year and per glider, each summing to the whole.
        QCOMPARE(w->tvTotals->topLevelItemCount(), 2);
        QCOMPARE(w->tvTotals->topLevelItem(0)->text(0), QStringLiteral("By year"));
        QCOMPARE(w->tvTotals->topLevelItem(0)->childCount(), int(logbookTotals(all, LogbookGroup::Year).size()));
        QCOMPARE(w->tvTotals->topLevelItem(1)->childCount(), int(logbookTotals(all, LogbookGroup::Glider).size()));

        // Filters: year, text (the file's name), glider; each with the
        // totals line of what is shown.
        const auto countOf = [&](const LogbookFilter& f) {
            return int(std::count_if(all.begin(), all.end(), [&](const LogbookFlight& x) { return f.matches(x); }));
        };
        w->cboYear->setCurrentIndex(w->cboYear->findText(QStringLiteral("2019")));
        QCOMPARE(w->grdFlights->model()->rowCount(), countOf(LogbookFilter{2019, {}, {}, {}}));
        QVERIFY(w->lblTotals->text().startsWith(QStringLiteral("Shown: %1 flight").arg(countOf({2019, {}, {}, {}}))));
        w->edtFind->setText(QStringLiteral("TRI.IGC"));
        const int tri = countOf(LogbookFilter{2019, {}, {}, "tri.igc"});
        QVERIFY(tri >= 1);
        QCOMPARE(w->grdFlights->model()->rowCount(), tri);
        w->edtFind->clear();
        w->cboYear->setCurrentIndex(0);
        const std::string glider = all.front().glider;
        w->cboGlider->setCurrentIndex(w->cboGlider->findText(QString::fromStdString(glider)));
        QCOMPARE(w->grdFlights->model()->rowCount(), countOf(LogbookFilter{0, {}, glider, {}}));
        w->cboGlider->setCurrentIndex(0);
        QCOMPARE(w->grdFlights->model()->rowCount(), n);

        // Sorted by points, best first.
        w->grdFlights->sortByColumn(ui::LogbookTableModel::Points, Qt::DescendingOrder);
        const auto best = std::max_element(all.begin(), all.end(), [](const auto& a, const auto& b) {
            return a.xcontest.points < b.xcontest.points;
        });
        QCOMPARE(w->flightAt(0)->id, best->id);

        // The site of the first row named in place: every flight there gets it.
        const QModelIndex siteCell = w->grdFlights->model()->index(0, ui::LogbookTableModel::Site);
        QVERIFY(w->grdFlights->model()->setData(siteCell, QStringLiteral("Serra da Rajada"), Qt::EditRole));
        QTRY_VERIFY(w->cboSite->findText(QStringLiteral("Serra da Rajada")) > 0);
        w->cboSite->setCurrentIndex(w->cboSite->findText(QStringLiteral("Serra da Rajada")));
        QCOMPARE(w->grdFlights->model()->rowCount(), 1);
        QCOMPARE(w->flightAt(0)->id, best->id);
        w->cboSite->setCurrentIndex(0);

        // What the X server shows is what the window paints (a name in one
        // cell is a small share of the pixels).
        QTRY_VERIFY(x11::differingShare(x11::screenPixels(w), x11::ownRendering(w)) < 0.001);
        x11::keepScreenshot(x11::screenPixels(w), QStringLiteral("nuvrel_logbook_window.png"));

        // Deleting asks first: No keeps the flight, Yes removes it.
        w->grdFlights->sortByColumn(ui::LogbookTableModel::Date, Qt::AscendingOrder);
        const std::int64_t firstId = w->flightAt(0)->id;
        recorded.answers = {false};
        QVERIFY(!w->deleteRow(0));
        QCOMPARE(w->grdFlights->model()->rowCount(), n);
        QCOMPARE(recorded.entries.back().title, std::string("Confirm"));
        QVERIFY(recorded.entries.back().text.starts_with("Delete the flight of "));
        recorded.answers = {true};
        QVERIFY(w->deleteRow(0));
        QCOMPARE(w->grdFlights->model()->rowCount(), n - 1);
        QVERIFY(w->flightAt(0)->id != firstId);

        // A double-click on a row opens that flight over the map with its
        // Flight Report.
        const LogbookFlight opened = *w->flightAt(0);
        const QRect cell = w->grdFlights->visualRect(w->grdFlights->model()->index(0, ui::LogbookTableModel::Date));
        // (A press first, as a real double-click brings one.)
        QTest::mousePress(w->grdFlights->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseRelease(w->grdFlights->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(w->grdFlights->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(form.data().track());
        QCOMPARE(std::int64_t(form.data().track()->points().front().time) + kReceiverEpochOffset, opened.takeoffTime);
        QCOMPARE(std::int64_t(form.data().track()->points().back().time) + kReceiverEpochOffset, opened.landingTime);
        auto* report = form.findChild<ui::TfrmFlightReport*>();
        QVERIFY(report);
        QVERIFY(QTest::qWaitForWindowExposed(report));
        QCOMPARE(report->report().flights.size(), std::size_t{1});
        QTRY_VERIFY_WITH_TIMEOUT(!report->scoring(), 20000);
        QVERIFY(report->txtReport->toPlainText().contains(QStringLiteral("Flight 1")));
        // (The main window lies under the others here: its own picture.)
        const QImage map = x11::ownRendering(&form);
        QVERIFY(x11::colourCount(map) > 3);
        x11::keepScreenshot(map, QStringLiteral("nuvrel_logbook_flight_map.png"));
        x11::keepScreenshot(x11::screenPixels(report), QStringLiteral("nuvrel_logbook_flight_report.png"));
    }
};

QTEST_MAIN(LogbookWindowTest)
#include "logbook_window_test.moc"

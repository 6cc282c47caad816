// The track summary, track detail and flight analysis windows opened from the
// main window, offscreen: grid texts, the clipboard, the flight analysis of
// the selected segments, and a detail row shown on the map.
#include "core/analysis/flight_analysis.h"
#include "core/analysis/track_listing.h"
#include "core/analysis/track_measures.h"
#include "core/data/ift_garmin_data.h"
#include "render/position_mark.h"
#include "support/flight_generator.h"
#include "support/test_support.h"
#include "ui/main_form.h"
#include "ui/map_window.h"
#include "ui/tfrm_flight_analysis.h"
#include "ui/tfrm_track_detail.h"
#include "ui/tfrm_trk_list.h"
#include "ui/track_playback.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace nuvrel;

namespace {

// Two generated flights: segment 1 and segment 2.
std::unique_ptr<IFTGarminTrack> twoFlights() {
    test::FlightPlan a;
    a.cycles = 2;
    test::FlightPlan b = a;
    b.segment = 2;
    b.startTime += 7200;
    b.windFromDeg = 0;
    auto points = test::generateFlight(a);
    for (const auto& p : test::generateFlight(b))
        points.push_back(p);
    return std::make_unique<IFTGarminTrack>(std::move(points));
}

QStringList rowTexts(const QTableWidget* grid, int row) {
    QStringList out;
    for (int c = 0; c < grid->columnCount(); ++c)
        out << (grid->item(row, c) ? grid->item(row, c)->text() : QString());
    return out;
}

QStringList rowTexts(const QTableView* view, int row) {
    QStringList out;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        out << view->model()->index(row, c).data().toString();
    return out;
}

QStringList analysisTexts(const ui::TfrmFlightAnalysis* window) {
    QStringList out;
    for (int r = 0; r < window->grdResult->rowCount(); ++r)
        out << window->grdResult->item(r, 0)->text() + QLatin1Char('=') + window->grdResult->item(r, 1)->text();
    return out;
}

QStringList expectedAnalysis(const IFTGarminTrack& track, FlightRange range) {
    QStringList out;
    for (const auto& [caption, value] : flightAnalysisRows(analyseFlight(track, range)))
        out << QString::fromStdString(caption + "=" + value);
    return out;
}

} // namespace

class TrackWindowsTest : public QObject {
    Q_OBJECT
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;

private slots:
    void trackResultNeedsPoints() {
        ui::TMainForm form(store, prompts, zone);
        QVERIFY(form.command(QStringLiteral("Analysis1"))->isEnabled());
        form.command(QStringLiteral("Analysis1"))->trigger();
        QVERIFY(!form.frmTrkList().isVisible());
        form.data().setTrack(std::make_unique<IFTGarminTrack>());
        form.command(QStringLiteral("Analysis1"))->trigger();
        QVERIFY(!form.frmTrkList().isVisible());
    }

    // Edit > Shift Dates by Weeks: every time moves; a shift out of the
    // receiver's range is refused with a message.
    void shiftDatesByWeeks() {
        ui::TMainForm form(store, prompts, zone);
        form.data().setTrack(twoFlights());
        const std::int64_t first = form.data().track()->unixTime(0);
        form.command(QStringLiteral("Analysis1"))->trigger();
        ui::TfrmTrkList& list = form.frmTrkList();
        QTimer::singleShot(50, [] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->intValue(), 1024);
            dialog->accept();
        });
        list.ShiftWeeks1->trigger();
        QCOMPARE(form.data().track()->unixTime(0), first + 1024 * 7 * 86400);
        QCOMPARE(form.data().track()->modified(), 1);
        const int messages = prompts.count("message");
        list.shiftWeeks(-4096);
        QCOMPARE(prompts.count("message"), messages + 1);
        QCOMPARE(form.data().track()->unixTime(0), first + 1024 * 7 * 86400);
    }

    void summaryRowsAndDetail() {
        ui::TMainForm form(store, prompts, zone);
        form.data().setTrack(twoFlights());
        form.data().setTimeOffset(-32400);
        const IFTGarminTrack& track = *form.data().track();
        form.command(QStringLiteral("Analysis1"))->trigger();
        ui::TfrmTrkList& list = form.frmTrkList();
        QVERIFY(list.isVisible());
        QCOMPARE(list.windowTitle(), QStringLiteral("Track Summary"));
        QCOMPARE(list.grdTrkList->rowCount(), 3);
        QStringList header;
        for (int c = 0; c < 4; ++c)
            header << list.grdTrkList->horizontalHeaderItem(c)->text();
        QCOMPARE(header, (QStringList{"Track No.", "Dist[km]", "Time[s]", "Vel[km/h]"}));
        const auto rows = trackListRows(track);
        for (int r = 0; r < 3; ++r) {
            QStringList expected;
            for (const auto& cell : rows[static_cast<std::size_t>(r)])
                expected << QString::fromStdString(cell);
            QCOMPARE(rowTexts(list.grdTrkList, r), expected);
        }
        QCOMPARE(list.grdTrkList->item(2, 0)->text(), QStringLiteral("TOTAL"));

        // Double-click on segment 2: the detail window lists its points.
        list.grdTrkList->setCurrentCell(1, 0);
        emit list.grdTrkList->cellDoubleClicked(1, 0);
        ui::TfrmTrackDetail& detail = list.frmTrackDetail();
        QVERIFY(detail.isVisible());
        QCOMPARE(detail.windowTitle(), QStringLiteral("Track Detail"));
        const auto expected = trackDetailRows(track, 2, -32400, false);
        QCOMPARE(detail.grdTrackDetail->model()->rowCount(), static_cast<int>(expected.size()));
        for (int r : {0, 1, static_cast<int>(expected.size()) - 1}) {
            QStringList e;
            for (const auto& cell : expected[static_cast<std::size_t>(r)])
                e << QString::fromStdString(cell);
            QCOMPARE(rowTexts(detail.grdTrackDetail, r), e);
        }
        QCOMPARE(detail.grdTrackDetail->model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("TIME"));

        // Total Time: the first row of the segment shows 0.0, the last the segment's time.
        detail.TotalTime1->trigger();
        QVERIFY(detail.TotalTime1->isChecked());
        QVERIFY(detail.isVisible());
        QCOMPARE(detail.grdTrackDetail->model()->index(0, 2).data().toString(), QStringLiteral("      0.0"));
        QCOMPARE(detail.grdTrackDetail->model()->index(static_cast<int>(expected.size()) - 1, 2).data().toString(),
                 QString::asprintf("%9.1f", segmentTime(track, 2)));

        // The TOTAL row is no segment: an empty detail.
        list.grdTrkList->setCurrentCell(2, 0);
        emit list.grdTrkList->cellDoubleClicked(2, 0);
        QCOMPARE(detail.grdTrackDetail->model()->rowCount(), 0);
        detail.Copy1->trigger(); // nothing to copy, nothing breaks
        detail.Sel1->trigger();
    }

    void copyAndSelectAll() {
        ui::TMainForm form(store, prompts, zone);
        form.data().setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{
            TrackPoint{35.0, 139.0, 1000, 1, 0, 0.f, 0.f}, TrackPoint{35.01, 139.0, 1060, 1, 0, 0.f, 0.f},
            TrackPoint{35.02, 139.01, 1120, 1, 0, 0.f, 0.f}}));
        form.command(QStringLiteral("Analysis1"))->trigger();
        ui::TfrmTrkList& list = form.frmTrkList();
        emit list.grdTrkList->cellDoubleClicked(0, 0);
        ui::TfrmTrackDetail& detail = list.frmTrackDetail();
        QCOMPARE(detail.grdTrackDetail->model()->rowCount(), 3);

        QApplication::clipboard()->setText(QStringLiteral("old"));
        detail.Copy1->trigger();
        const QString text = QApplication::clipboard()->text();
        QCOMPARE(text.count(QLatin1Char('\n')), 3);
        QCOMPARE(text.count(QLatin1Char('\t')), 3 * 6);
        QVERIFY(!text.contains(QLatin1Char('\r')));
        QVERIFY(text.endsWith(QLatin1Char('\n')));
        QCOMPARE(text, QString::fromStdString(trackDetailCopyText(trackDetailRows(*form.data().track(), 1, 0, false))));

        detail.Sel1->trigger();
        const auto selected = detail.grdTrackDetail->selectionModel()->selectedIndexes();
        QCOMPARE(selected.size(), 3 * 7);
        for (const auto& index : selected)
            QVERIFY(index.column() >= 1);
    }

    void flightAnalysisFromBothWindows() {
        ui::TMainForm form(store, prompts, zone);
        form.data().setTrack(twoFlights());
        const IFTGarminTrack& track = *form.data().track();
        form.command(QStringLiteral("Analysis1"))->trigger();
        ui::TfrmTrkList& list = form.frmTrkList();

        // One row selected: the whole log's flight.
        list.grdTrkList->setCurrentCell(1, 0);
        list.grdTrkList->selectRow(1);
        list.FlightAnalysis1->trigger();
        QPointer<ui::TfrmFlightAnalysis> window = list.frmFlightAnalysis();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Flight Analysis"));
        QCOMPARE(window->grdResult->rowCount(), 7);
        QCOMPARE(window->grdResult->columnWidth(0), 120);
        QCOMPARE(analysisTexts(window), expectedAnalysis(track, detectFlight(track, -1, 10.0)));

        // Rows 1..2: take-off of segment 1, landing of segment 2; same window.
        list.grdTrkList->setRangeSelected(QTableWidgetSelectionRange(0, 0, 1, 3), true);
        list.FlightAnalysis1->trigger();
        QCOMPARE(list.frmFlightAnalysis(), window.data());
        QCOMPARE(analysisTexts(window), expectedAnalysis(track, flightOfSegments(track, 1, 2)));
        QVERIFY(flightOfSegments(track, 1, 2).landing > track.count() / 2);

        // Hiding destroys it; the detail window's analysis opens a fresh one for its segment.
        window->hide();
        QTRY_VERIFY(!window);
        list.grdTrkList->clearSelection();
        list.grdTrkList->setCurrentCell(1, 0);
        emit list.grdTrkList->cellDoubleClicked(1, 0);
        list.frmTrackDetail().FlightAnalysis1->trigger();
        QVERIFY(list.frmFlightAnalysis());
        QCOMPARE(analysisTexts(list.frmFlightAnalysis()), expectedAnalysis(track, detectFlight(track, 2, 10.0)));
    }

    void aReplacedTrackLogLeavesTheOpenDetailIntact() {
        ui::TMainForm form(store, prompts, zone);
        form.data().setTrack(twoFlights());
        form.command(QStringLiteral("Analysis1"))->trigger();
        ui::TfrmTrkList& list = form.frmTrkList();
        list.grdTrkList->setCurrentCell(1, 0);
        emit list.grdTrkList->cellDoubleClicked(1, 0);
        ui::TfrmTrackDetail& detail = list.frmTrackDetail();
        const int rows = detail.grdTrackDetail->model()->rowCount();
        const QStringList lastRow = rowTexts(detail.grdTrackDetail, rows - 1);
        // A download replaces the log with a tiny one while the window is open.
        form.data().setTrack(std::make_unique<IFTGarminTrack>(
            std::vector<TrackPoint>{TrackPoint{1, 2, 3, 1, 0, 0.f, 0.f}}));
        QCOMPARE(detail.grdTrackDetail->model()->rowCount(), rows);
        QCOMPARE(rowTexts(detail.grdTrackDetail, rows - 1), lastRow);
        detail.grdTrackDetail->viewport()->repaint();
        detail.Copy1->trigger();
        // A click on a row beyond the new log shows nothing.
        emit detail.grdTrackDetail->clicked(detail.grdTrackDetail->model()->index(rows - 1, 0));
        QVERIFY(!form.playback().marker().shown());
        // The next show lists the new log.
        list.grdTrkList->setCurrentCell(0, 0);
        emit list.grdTrkList->cellDoubleClicked(0, 0);
        QCOMPARE(detail.grdTrackDetail->model()->rowCount(), 1);
        QCOMPARE(rowTexts(detail.grdTrackDetail, 0).first(), QStringLiteral("1"));
    }

    void detailRowClickShowsThePoint() {
        ui::TMainForm form(store, prompts, zone);
        form.data().setTrack(twoFlights());
        form.show();
        form.mapWindow().FillBackground();
        form.mapWindow().FitViewToData();
        form.mapWindow().RedrawAll();
        form.command(QStringLiteral("Analysis1"))->trigger();
        ui::TfrmTrkList& list = form.frmTrkList();
        list.grdTrkList->setCurrentCell(1, 0);
        emit list.grdTrkList->cellDoubleClicked(1, 0);
        ui::TfrmTrackDetail& detail = list.frmTrackDetail();
        const int row = 40;
        const QModelIndex index = detail.grdTrackDetail->model()->index(row, 0);
        emit detail.grdTrackDetail->clicked(index);
        const std::uint32_t q = index.data().toString().toUInt() - 1;
        const IFTGarminTrack& track = *form.data().track();
        const Pixel p = PositionToPixel(form.mapWindow().mapParam(), form.data(), track.latitude(q), track.longitude(q));
        render::IFTPositionMark& mark = form.playback().marker();
        QVERIFY(mark.shown());
        QCOMPARE(mark.lastPosition(), QPoint(p.x, p.y));
    }
};

QTEST_MAIN(TrackWindowsTest)
#include "track_windows_test.moc"

#include "ui/tfrm_trk_list.h"

#include "core/analysis/track_listing.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/week_rollover.h"
#include "ui/tfrm_flight_analysis.h"
#include "ui/tfrm_flight_report.h"
#include "ui/tfrm_track_detail.h"
#include "ui/window_placement.h"

#include <QApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QMenuBar>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>

namespace nuvrel::ui {

namespace {
constexpr int kRowHeight = 16;
constexpr int kColumnWidth = 80;
} // namespace

TfrmTrkList::TfrmTrkList(IFTGarminData& data, std::function<void(std::uint32_t)> showTrackPoint, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint), data_(data), showTrackPoint_(showTrackPoint) {
    setObjectName(QStringLiteral("frmTrkList"));
    setWindowTitle(QStringLiteral("Track Summary"));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("View1"));
    FlightAnalysis1 = view->addAction(QStringLiteral("&Flight Analysis"));
    FlightAnalysis1->setObjectName(QStringLiteral("FlightAnalysis1"));
    connect(FlightAnalysis1, &QAction::triggered, this, &TfrmTrkList::FlightAnalysis1Click);
    FlightReport1 = view->addAction(QStringLiteral("Flight &Report"));
    FlightReport1->setObjectName(QStringLiteral("FlightReport1"));
    connect(FlightReport1, &QAction::triggered, this, &TfrmTrkList::FlightReport1Click);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    ShiftWeeks1 = edit->addAction(QStringLiteral("Shift &Dates by Weeks..."));
    ShiftWeeks1->setObjectName(QStringLiteral("ShiftWeeks1"));
    connect(ShiftWeeks1, &QAction::triggered, this, &TfrmTrkList::ShiftWeeks1Click);

    grdTrkList = new QTableWidget(0, kTrackListColumns, this);
    grdTrkList->setObjectName(QStringLiteral("grdTrkList"));
    QStringList header;
    for (const auto& h : kTrackListHeader)
        header << QString::fromStdString(h);
    grdTrkList->setHorizontalHeaderLabels(header);
    grdTrkList->verticalHeader()->hide();
    grdTrkList->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    grdTrkList->verticalHeader()->setMinimumSectionSize(kRowHeight);
    grdTrkList->verticalHeader()->setDefaultSectionSize(kRowHeight);
    grdTrkList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdTrkList->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(grdTrkList, &QTableWidget::cellDoubleClicked, this, &TfrmTrkList::grdTrkListDblClick);
    setCentralWidget(grdTrkList);

    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    grdTrkList->setMinimumWidth(kTrackListColumns * (kColumnWidth + 1) + scrollBar);

    frmTrackDetail_ = new TfrmTrackDetail(data_, *this, std::move(showTrackPoint), this);
}

TfrmTrkList::~TfrmTrkList() = default;

TfrmFlightAnalysis* TfrmTrkList::frmFlightAnalysis() const { return frmFlightAnalysis_.data(); }

int TfrmTrkList::currentSegment() const { return grdTrkList->currentRow() + 1; }

void TfrmTrkList::showEvent(QShowEvent* event) {
    FormShow();
    QMainWindow::showEvent(event);
}

void TfrmTrkList::FormShow() {
    const IFTGarminTrack* track = data_.track();
    if (!track)
        return;
    const auto rows = trackListRows(*track);
    const int keepRow = std::max(grdTrkList->currentRow(), 0);
    grdTrkList->clearContents();
    grdTrkList->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < kTrackListColumns; ++c)
            grdTrkList->setItem(r, c,
                                new QTableWidgetItem(QString::fromStdString(rows[static_cast<std::size_t>(r)]
                                                                              [static_cast<std::size_t>(c)])));
    grdTrkList->setCurrentCell(std::min(keepRow, grdTrkList->rowCount() - 1), 0);

    // The whole grid when it fits on the screen, on the first showing only
    // and unless the window came back with the size it had before.
    if (sized_ || WindowPlacement::restored(this))
        return;
    sized_ = true;
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int width = kTrackListColumns * (kColumnWidth + 1) + scrollBar + 3;
    const int wanted = grdTrkList->horizontalHeader()->height() + grdTrkList->rowCount() * kRowHeight + 4 +
                       menuBar()->sizeHint().height();
    ResizeToFit(this, QSize(width, std::min(wanted, 600)));
}

void TfrmTrkList::dataReplaced() {
    const IFTGarminTrack* track = data_.track();
    const bool hasPoints = track && track->count() > 0;
    if (frmFlightAnalysis_)
        frmFlightAnalysis_->close();
    if (frmFlightReport_) {
        if (hasPoints) {
            const int segment = frmFlightReport_->segment();
            frmFlightReport_->setTrack(*track, segment <= static_cast<int>(track->segmentCount()) ? segment : -1,
                                       datumName ? datumName() : std::string("WGS 84"));
        } else {
            frmFlightReport_->close();
        }
    }
    if (!hasPoints) {
        frmTrackDetail_->hide();
        hide();
        return;
    }
    if (isVisible())
        FormShow();
    if (frmTrackDetail_->isVisible())
        frmTrackDetail_->FormShow();
}

void TfrmTrkList::grdTrkListDblClick() {
    // Closed and shown again, so it lists the segment of the current row.
    frmTrackDetail_->hide();
    frmTrackDetail_->show();
    frmTrackDetail_->raise();
}

void TfrmTrkList::showFlightAnalysis(FlightRange range) {
    if (const IFTGarminTrack* track = data_.track())
        ShowFlightAnalysis(frmFlightAnalysis_, this, *track, range);
}

void TfrmTrkList::FlightAnalysis1Click() {
    const IFTGarminTrack* track = data_.track();
    if (!track)
        return;
    // The selected rows top .. bottom (row r shows segment r).
    int top = grdTrkList->currentRow(), bottom = top;
    const auto ranges = grdTrkList->selectedRanges();
    if (!ranges.isEmpty()) {
        top = ranges.first().topRow();
        bottom = ranges.first().bottomRow();
        for (const auto& r : ranges) {
            top = std::min(top, r.topRow());
            bottom = std::max(bottom, r.bottomRow());
        }
    }
    showFlightAnalysis(flightOfSegments(*track, top + 1, bottom + 1));
}

void TfrmTrkList::FlightReport1Click() {
    const IFTGarminTrack* track = data_.track();
    if (!track || track->count() == 0)
        return;
    // Row r shows segment r; without a current row, the whole log.
    const int row = grdTrkList->currentRow();
    const int segment = row >= 0 && row < static_cast<int>(track->segmentCount()) ? row + 1 : -1;
    ShowFlightReport(frmFlightReport_, this, *track, segment, datumName ? datumName() : std::string("WGS 84"),
                     showTrackPoint_);
}

void TfrmTrkList::ShiftWeeks1Click() {
    if (!data_.track())
        return;
    bool ok = false;
    const int weeks = QInputDialog::getInt(this, QStringLiteral("Shift Dates"),
                                           QStringLiteral("Weeks to add to every track time:"), kRolloverWeeks,
                                           -4 * kRolloverWeeks, 4 * kRolloverWeeks, 1, &ok);
    if (ok)
        shiftWeeks(weeks);
}

void TfrmTrkList::shiftWeeks(int weeks) {
    if (!data_.track() || weeks == 0)
        return;
    if (!shiftTrackWeeks(*data_.track(), weeks)) {
        data_.context().prompts.showMessage(
            "NUVREL", "The times would leave what the receiver's clock can hold (1989-12-31 to 2126).");
        return;
    }
    FormShow();
}

} // namespace nuvrel::ui

#include "ui/tfrm_track_detail.h"

#include "core/analysis/flight_analysis.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/ift_garmin_track.h"
#include "render/code_page_text.h"
#include "ui/tfrm_trk_list.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenuBar>
#include <QStyle>
#include <QTableView>

#include <cstdlib>

namespace nuvrel::ui {

namespace {
constexpr int kRowHeight = 15;
} // namespace

TrackDetailModel::TrackDetailModel(QObject* parent) : QAbstractTableModel(parent) {}

TrackDetailModel::~TrackDetailModel() = default;

void TrackDetailModel::rebuild(const IFTGarminTrack* track, int n, std::int32_t timeOffset, bool totalTime) {
    beginResetModel();
    points_.reset();
    base_ = 0;
    range_ = {};
    const DetailRange r = track ? detailRange(*track, n) : DetailRange{};
    if (r.count > 0) {
        // The first row measures the leg from the point before the segment.
        base_ = r.first > 0 ? r.first - 1 : 0;
        const auto all = track->points();
        points_ = std::make_unique<IFTGarminTrack>(
            std::vector<TrackPoint>(all.begin() + base_, all.begin() + r.first + r.count));
        range_ = {r.first - base_, r.count};
    }
    timeOffset_ = timeOffset;
    totalTime_ = totalTime;
    cachedRow_ = -1;
    endResetModel();
}

int TrackDetailModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(range_.count);
}

int TrackDetailModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kTrackDetailColumns;
}

TrackDetailRow TrackDetailModel::row(int r) const {
    if (r != cachedRow_) {
        cached_ = trackDetailRow(*points_, range_.first, range_.first + static_cast<std::uint32_t>(r), timeOffset_,
                                 totalTime_);
        // The point number counts in the whole log.
        cached_[0] = std::to_string(static_cast<std::uint64_t>(base_) + range_.first + static_cast<std::uint64_t>(r) + 1);
        cachedRow_ = r;
    }
    return cached_;
}

QVariant TrackDetailModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || !points_ || index.row() >= rowCount())
        return {};
    // The position texts may hold bytes of the data's code page.
    return render::fromCodePage(row(index.row())[static_cast<std::size_t>(index.column())]);
}

QVariant TrackDetailModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= kTrackDetailColumns)
        return {};
    return QString::fromStdString(kTrackDetailHeader[static_cast<std::size_t>(section)]);
}

std::string TrackDetailModel::copyText() const {
    std::string out;
    if (!points_)
        return out;
    for (std::uint32_t i = 0; i < range_.count; ++i)
        appendTrackDetailCopyLine(out, trackDetailRow(*points_, range_.first, range_.first + i, timeOffset_,
                                                      totalTime_));
    return out;
}

TfrmTrackDetail::TfrmTrackDetail(IFTGarminData& data, TfrmTrkList& list,
                                 std::function<void(std::uint32_t)> showTrackPoint, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint), data_(data), list_(list),
      showTrackPoint_(std::move(showTrackPoint)) {
    setObjectName(QStringLiteral("frmTrackDetail"));
    setWindowTitle(QStringLiteral("Track Detail"));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    Sel1 = edit->addAction(QStringLiteral("S&lect All"));
    Sel1->setObjectName(QStringLiteral("Sel1"));
    connect(Sel1, &QAction::triggered, this, &TfrmTrackDetail::Sel1Click);
    Copy1 = edit->addAction(QStringLiteral("&Copy"));
    Copy1->setObjectName(QStringLiteral("Copy1"));
    connect(Copy1, &QAction::triggered, this, &TfrmTrackDetail::Copy1Click);
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("View1"));
    FlightAnalysis1 = view->addAction(QStringLiteral("&Flight Analysis"));
    FlightAnalysis1->setObjectName(QStringLiteral("FlightAnalysis1"));
    connect(FlightAnalysis1, &QAction::triggered, this, &TfrmTrackDetail::FlightAnalysis1Click);
    QMenu* option = menuBar()->addMenu(QStringLiteral("&Option"));
    option->setObjectName(QStringLiteral("Option1"));
    TotalTime1 = option->addAction(QStringLiteral("&Total Time"));
    TotalTime1->setObjectName(QStringLiteral("TotalTime1"));
    TotalTime1->setCheckable(true);
    connect(TotalTime1, &QAction::triggered, this, &TfrmTrackDetail::TotalTime1Click);

    model_ = new TrackDetailModel(this);
    grdTrackDetail = new QTableView(this);
    grdTrackDetail->setObjectName(QStringLiteral("grdTrackDetail"));
    grdTrackDetail->setModel(model_);
    grdTrackDetail->verticalHeader()->hide();
    grdTrackDetail->verticalHeader()->setMinimumSectionSize(kRowHeight);
    grdTrackDetail->verticalHeader()->setDefaultSectionSize(kRowHeight);
    grdTrackDetail->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdTrackDetail->setWordWrap(false);
    connect(grdTrackDetail, &QTableView::clicked, this,
            [this](const QModelIndex& index) { grdTrackDetailClick(index.row()); });
    setCentralWidget(grdTrackDetail);

    // Columns 0-4 as wide as their headers; the time and the two positions
    // as wide as their longest texts.
    const QFontMetrics header(grdTrackDetail->horizontalHeader()->font());
    const QFontMetrics cells(grdTrackDetail->font());
    const int pad = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin) + 4;
    int width = 0;
    for (int c = 0; c < kTrackDetailColumns; ++c) {
        int w = header.horizontalAdvance(QString::fromStdString(kTrackDetailHeader[static_cast<std::size_t>(c)]));
        if (c <= 4)
            w = std::max(w, cells.horizontalAdvance(QStringLiteral("-00000.0")));
        if (c == 5)
            w = cells.horizontalAdvance(QStringLiteral("00:00:00 1997/01/01"));
        if (c >= 6)
            w = cells.horizontalAdvance(QStringLiteral("-555^55'55.55\""));
        grdTrackDetail->setColumnWidth(c, w + pad);
        width += w + pad + 1;
    }
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    resize(width + scrollBar + 3, 400);
}

void TfrmTrackDetail::showEvent(QShowEvent* event) {
    FormShow();
    QMainWindow::showEvent(event);
}

void TfrmTrackDetail::FormShow() {
    const IFTGarminTrack* track = data_.track();
    if (!track)
        return;
    model_->rebuild(track, list_.currentSegment(), data_.timeOffset(), TotalTime1->isChecked());
}

void TfrmTrackDetail::Sel1Click() {
    const int rows = model_->rowCount();
    if (rows == 0)
        return;
    grdTrackDetail->selectionModel()->select(
        QItemSelection(model_->index(0, 1), model_->index(rows - 1, kTrackDetailColumns - 1)),
        QItemSelectionModel::ClearAndSelect);
}

void TfrmTrackDetail::Copy1Click() {
    // Every data row, whatever is selected.
    QGuiApplication::clipboard()->setText(render::fromCodePage(model_->copyText()));
}

void TfrmTrackDetail::FlightAnalysis1Click() {
    const IFTGarminTrack* track = data_.track();
    if (!track)
        return;
    list_.showFlightAnalysis(detectFlight(*track, list_.currentSegment(), kFlightThresholdKmh));
}

void TfrmTrackDetail::TotalTime1Click() {
    // Hidden and shown again, so the time column is rebuilt.
    if (isVisible()) {
        hide();
        show();
    } else {
        FormShow();
    }
}

void TfrmTrackDetail::grdTrackDetailClick(int r) {
    if (r < 0 || r >= model_->rowCount())
        return;
    // The point number in column 0 is 1-based in the whole log.
    const unsigned long long number = std::strtoull(model_->row(r)[0].c_str(), nullptr, 10);
    if (number > 0 && showTrackPoint_)
        showTrackPoint_(static_cast<std::uint32_t>(number - 1));
}

} // namespace nuvrel::ui

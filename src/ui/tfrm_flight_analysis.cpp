#include "ui/tfrm_flight_analysis.h"

#include <QHeaderView>
#include <QHideEvent>
#include <QTableWidget>

namespace nuvrel::ui {

namespace {
constexpr int kRowHeight = 16;
constexpr int kColumnWidth = 120;
} // namespace

TfrmFlightAnalysis::TfrmFlightAnalysis(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmFlightAnalysis"));
    setWindowTitle(QStringLiteral("Flight Analysis"));
    setAttribute(Qt::WA_DeleteOnClose);
    grdResult = new QTableWidget(7, 2, this);
    grdResult->setObjectName(QStringLiteral("grdResult"));
    grdResult->horizontalHeader()->hide();
    grdResult->verticalHeader()->hide();
    grdResult->setFont(QFont(QStringLiteral("Arial"), 9));
    grdResult->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    grdResult->verticalHeader()->setMinimumSectionSize(kRowHeight);
    grdResult->verticalHeader()->setDefaultSectionSize(kRowHeight);
    grdResult->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdResult->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grdResult->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 2; ++c)
            grdResult->setItem(r, c, new QTableWidgetItem);
    grdResult->resize(2 * kColumnWidth + 3, 7 * (kRowHeight + 1) + 3);
}

void TfrmFlightAnalysis::setResults(const FlightAnalysis& analysis) {
    grdResult->setColumnWidth(0, kColumnWidth);
    const auto rows = flightAnalysisRows(analysis);
    for (int r = 0; r < 7; ++r) {
        grdResult->item(r, 0)->setText(QString::fromStdString(rows[static_cast<std::size_t>(r)].first));
        grdResult->item(r, 1)->setText(QString::fromStdString(rows[static_cast<std::size_t>(r)].second));
    }
}

void TfrmFlightAnalysis::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    resize(grdResult->size());
}

void TfrmFlightAnalysis::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Hidden means gone: the next analysis opens a fresh window. (A window
    // the desktop minimised is only out of sight.)
    if (!event->spontaneous())
        deleteLater();
}

void TfrmFlightAnalysis::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    grdResult->resize(size());
}

void ShowFlightAnalysis(QPointer<TfrmFlightAnalysis>& window, QWidget* parent, const IFTGarminTrack& track,
                        FlightRange range) {
    if (!window)
        window = new TfrmFlightAnalysis(parent);
    window->setResults(analyseFlight(track, range));
    window->show();
    window->raise();
}

} // namespace nuvrel::ui

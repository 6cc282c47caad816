#include "ui/tfrm_selrtwpt.h"

#include <QHeaderView>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace nuvrel::ui {

TfrmSelRtWpt::TfrmSelRtWpt(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSelRtWpt"));
    setWindowTitle(QStringLiteral("Select Waypoint"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    grdWaypoint = new QTableWidget(0, 1, this);
    grdWaypoint->setObjectName(QStringLiteral("grdWaypoint"));
    grdWaypoint->horizontalHeader()->hide();
    grdWaypoint->verticalHeader()->hide();
    grdWaypoint->verticalHeader()->setDefaultSectionSize(std::max(16, grdWaypoint->fontMetrics().height() + 2));
    grdWaypoint->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdWaypoint->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdWaypoint->setSelectionMode(QAbstractItemView::SingleSelection);
    grdWaypoint->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grdWaypoint);
    resize(160, 260);
    connect(grdWaypoint, &QTableWidget::cellClicked, this, &TfrmSelRtWpt::grdWaypointClick);
    // Enter on a name picks it too.
    connect(grdWaypoint, &QTableWidget::cellActivated, this, &TfrmSelRtWpt::grdWaypointClick);
}

void TfrmSelRtWpt::setIdents(const QStringList& idents) {
    grdWaypoint->clearContents();
    grdWaypoint->setRowCount(int(idents.size()));
    for (int i = 0; i < idents.size(); ++i)
        grdWaypoint->setItem(i, 0, new QTableWidgetItem(idents[i]));
    if (!idents.isEmpty())
        grdWaypoint->setCurrentCell(0, 0);
    FormResize();
}

QString TfrmSelRtWpt::selectedIdent() const {
    const QTableWidgetItem* item = grdWaypoint->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void TfrmSelRtWpt::FormResize() {
    // The grid's width minus 2; a scroll bar, when shown, is not covered.
    const QScrollBar* bar = grdWaypoint->verticalScrollBar();
    grdWaypoint->setColumnWidth(0, std::max(0, grdWaypoint->width() - 2 - (bar->isVisible() ? bar->width() : 0)));
}

void TfrmSelRtWpt::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TfrmSelRtWpt::grdWaypointClick() { accept(); }

} // namespace nuvrel::ui

#include "ui/tfrm_route.h"

#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "render/code_page_text.h"
#include "ui/tfrm_selrtwpt.h"
#include "ui/tfrm_selsmbl.h"
#include "ui/up_down.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace nuvrel::ui {

void RouteTable::mousePressEvent(QMouseEvent* event) {
    clickModifiers_ = event->modifiers();
    QTableWidget::mousePressEvent(event);
}

void RouteTable::commitOpenEditor() {
    if (state() != QAbstractItemView::EditingState)
        return;
    // Cell editors are children of the viewport.
    for (QWidget* editor : viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!editor->isVisible())
            continue;
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

namespace {

QPushButton* button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TfrmRoute::TfrmRoute(CRouteField& routes, const IFTGarminData& data, const IFTOption& option, QWidget* parent)
    : QDialog(parent), routes_(routes), data_(data), option_(option), editor_(routes, option) {
    setObjectName(QStringLiteral("frmRoute"));
    setWindowTitle(QStringLiteral("Create Route"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    edtRouteNo = new QLineEdit(QStringLiteral("0"), this);
    edtRouteNo->setObjectName(QStringLiteral("edtRouteNo"));
    edtRouteNo->setFixedWidth(48);
    udRouteNo = new UpDown(edtRouteNo, 0, 0, this);
    udRouteNo->setObjectName(QStringLiteral("udRouteNo"));
    edtRouteName = new QLineEdit(QStringLiteral("ROUTE00"), this);
    edtRouteName->setObjectName(QStringLiteral("edtRouteName"));
    edtRouteName->setMaxLength(63);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Route No."), this));
    top->addWidget(edtRouteNo);
    top->addWidget(udRouteNo);
    top->addSpacing(16);
    top->addWidget(new QLabel(QStringLiteral("Route Name"), this));
    top->addWidget(edtRouteName, 1);

    // FormCreate: the headers, the column widths and row 1 numbered.
    grdRoute = new RouteTable(0, int(RouteGrid::kColumns), this);
    grdRoute->setObjectName(QStringLiteral("grdRoute"));
    QStringList headers;
    int totalWidth = 0;
    for (std::size_t c = 0; c < RouteGrid::kColumns; ++c) {
        headers << QString::fromLatin1(RouteGrid::header(c));
        int width = RouteGrid::columnWidth(c);
        if (c == RouteGrid::Latitude || c == RouteGrid::Longitude) { // wide enough for the widest angle
            const int widest = grdRoute->fontMetrics().horizontalAdvance(QStringLiteral("-179^59'59.99\""));
            width = std::max(width, widest + 12);
        }
        grdRoute->setColumnWidth(int(c), width);
        totalWidth += width;
    }
    grdRoute->setHorizontalHeaderLabels(headers);
    grdRoute->verticalHeader()->hide();
    grdRoute->verticalHeader()->setDefaultSectionSize(std::max(16, grdRoute->fontMetrics().height() + 2));
    grdRoute->setSelectionMode(QAbstractItemView::SingleSelection);
    grdRoute->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);

    btnAdd = button(this, "btnAdd", "Add");
    btnInsert = button(this, "btnInsert", "Insert");
    btnDelete = button(this, "btnDelete", "Delete");
    btnNewRoute = button(this, "btnNewRoute", "New Route");
    btnUpload = button(this, "btnUpload", "Upload");
    btnCancel = button(this, "btnCancel", "OK");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {btnAdd, btnInsert, btnDelete})
        buttons->addWidget(b);
    buttons->addSpacing(16);
    buttons->addWidget(btnNewRoute);
    buttons->addStretch();
    buttons->addWidget(btnUpload);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grdRoute, 1);
    layout->addLayout(buttons);

    frmSelRtWpt = new TfrmSelRtWpt(this);
    writeTable();
    const int gridWidth = totalWidth + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 3 +
                          2 * grdRoute->frameWidth();
    grdRoute->setMinimumWidth(gridWidth);
    resize(gridWidth + layout->contentsMargins().left() + layout->contentsMargins().right(), 320);

    connect(edtRouteNo, &QLineEdit::textChanged, this, &TfrmRoute::edtRouteNoChange);
    connect(edtRouteNo, &QLineEdit::editingFinished, this, &TfrmRoute::edtRouteNoExit);
    connect(grdRoute, &QTableWidget::cellClicked, this, &TfrmRoute::grdRouteClick);
    connect(btnAdd, &QPushButton::clicked, this, &TfrmRoute::btnAddClick);
    connect(btnInsert, &QPushButton::clicked, this, &TfrmRoute::btnInsertClick);
    connect(btnDelete, &QPushButton::clicked, this, &TfrmRoute::btnDeleteClick);
    connect(btnNewRoute, &QPushButton::clicked, this, &TfrmRoute::btnNewRouteClick);
    connect(btnUpload, &QPushButton::clicked, this, &TfrmRoute::btnUploadClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmRoute::btnCancelClick);
}

TfrmSelsmbl& TfrmRoute::frmSelsmbl() {
    if (!frmSelsmbl_)
        frmSelsmbl_ = new TfrmSelsmbl(option_, this);
    return *frmSelsmbl_;
}

void TfrmRoute::readTable() {
    grdRoute->commitOpenEditor();
    std::vector<RouteGrid::Row> rows(std::size_t(grdRoute->rowCount()));
    for (int r = 0; r < grdRoute->rowCount(); ++r)
        for (int c = 1; c < grdRoute->columnCount(); ++c)
            if (const QTableWidgetItem* item = grdRoute->item(r, c))
                rows[std::size_t(r)][std::size_t(c)] = render::toCodePage(item->text());
    editor_.grid().setEntryRows(std::move(rows));
    editor_.setName(render::toCodePage(edtRouteName->text()));
}

void TfrmRoute::writeTable() {
    const RouteGrid& grid = editor_.grid();
    const int row = grdRoute->currentRow();
    const int column = grdRoute->currentColumn();
    {
        const QSignalBlocker blocker(grdRoute);
        grdRoute->setRowCount(int(grid.rowCount()) - 1);
        for (std::size_t r = 1; r < grid.rowCount(); ++r) {
            for (std::size_t c = 0; c < RouteGrid::kColumns; ++c) {
                QTableWidgetItem* item = grdRoute->item(int(r) - 1, int(c));
                if (!item) {
                    item = new QTableWidgetItem;
                    if (c == RouteGrid::No) {
                        // The fixed column: numbers only.
                        item->setFlags(Qt::ItemIsEnabled);
                        item->setBackground(palette().button());
                        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                    }
                    grdRoute->setItem(int(r) - 1, int(c), item);
                }
                item->setText(render::fromCodePage(grid.cell(r, c)));
            }
        }
    }
    const int rows = grdRoute->rowCount();
    grdRoute->setCurrentCell(std::clamp(row, 0, rows - 1), std::max(column, 1));
    edtRouteName->setText(render::fromCodePage(editor_.name()));
}

int TfrmRoute::currentGridRow() const {
    const int row = grdRoute->currentRow();
    return row < 0 ? 0 : gridRow(row);
}

void TfrmRoute::LoadRouteIntoGrid(std::uint32_t r) {
    editor_.LoadRouteIntoGrid(r);
    writeTable();
}

void TfrmRoute::SaveGridToRoute() {
    readTable();
    editor_.SaveGridToRoute();
}

void TfrmRoute::setRouteNumber(std::uint32_t r) {
    const QString text = QString::number(r);
    if (edtRouteNo->text() == text)
        edtRouteNoChange();
    else
        edtRouteNo->setText(text);
}

void TfrmRoute::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfrmRoute::FormShow() {
    editor_.PrepareShow();
    {
        const QSignalBlocker blocker(edtRouteNo);
        edtRouteNo->setText(QString::number(editor_.currentRoute()));
    }
    writeTable();
}

void TfrmRoute::edtRouteNoChange() {
    // A number being typed counts once it is complete: "1" may become "12".
    // The arrows and the program set whole numbers, which count at once.
    if (edtRouteNo->isModified() && routes_.RouteCount() > 0 &&
        !CompleteRouteNumber(render::toCodePage(edtRouteNo->text()), routes_.RouteCount() - 1))
        return;
    edtRouteNo->setModified(false);
    // Only a shown table holds the user's edits; a hidden one is reloaded
    // when the window opens.
    const bool shown = isVisible();
    if (shown)
        readTable();
    if (editor_.ChangeRoute(render::toCodePage(edtRouteNo->text()), shown))
        writeTable();
    else if (shown && !edtRouteNo->text().trimmed().isEmpty())
        QApplication::beep(); // no such route: the one shown stays
}

void TfrmRoute::edtRouteNoExit() {
    // Enter or leaving the field: the typed number is taken, or the field
    // shows the route shown again.
    if (!edtRouteNo->isModified())
        return;
    edtRouteNo->setModified(false);
    const bool shown = isVisible();
    if (shown)
        readTable();
    if (editor_.ChangeRoute(render::toCodePage(edtRouteNo->text()), shown)) {
        writeTable();
        return;
    }
    QApplication::beep();
    const QSignalBlocker blocker(edtRouteNo);
    edtRouteNo->setText(QString::number(editor_.currentRoute()));
}

void TfrmRoute::grdRouteClick(int row, int column) {
    if (column == RouteGrid::Ident && (grdRoute->clickModifiers() & Qt::ControlModifier))
        pickWaypoint(row);
    else if (column == RouteGrid::Symbol)
        pickSymbol(row);
}

void TfrmRoute::pickWaypoint(int row) {
    const IFTGarminWaypoint* waypoints = data_.waypoints();
    if (!waypoints)
        return;
    QStringList idents;
    for (std::size_t i = 0; i < waypoints->count(); ++i)
        idents << render::fromCodePage(waypoints->ident(i));
    frmSelRtWpt->setIdents(idents);
    if (frmSelRtWpt->exec() != QDialog::Accepted)
        return;
    readTable();
    if (editor_.FillRowFromWaypoint(std::size_t(gridRow(row)), *waypoints,
                                    render::toCodePage(frmSelRtWpt->selectedIdent())))
        writeTable();
}

void TfrmRoute::pickSymbol(int row) {
    QTableWidgetItem* item = grdRoute->item(row, RouteGrid::Symbol);
    if (!item)
        return;
    TfrmSelsmbl& picker = frmSelsmbl();
    picker.selectedName = item->text();
    picker.exec();
    // Closed without a pick, the picker gives the text back unchanged.
    item->setText(picker.selectedName);
}

void TfrmRoute::btnAddClick() {
    readTable();
    editor_.grid().addRow();
    writeTable();
}

void TfrmRoute::btnInsertClick() {
    readTable();
    const std::size_t p = editor_.grid().insertRow(std::size_t(currentGridRow()));
    writeTable();
    grdRoute->setCurrentCell(int(p) - 1, std::max(grdRoute->currentColumn(), 1));
}

void TfrmRoute::btnDeleteClick() {
    readTable();
    if (editor_.grid().deleteRow(std::size_t(currentGridRow())))
        writeTable();
}

void TfrmRoute::btnNewRouteClick() {
    routes_.AddRoute();
    udRouteNo->setMaximum(int(routes_.RouteCount()) - 1);
}

void TfrmRoute::btnUploadClick() {
    SaveGridToRoute();
    done(QDialog::Accepted);
}

void TfrmRoute::btnCancelClick() {
    SaveGridToRoute();
    done(QDialog::Rejected);
}

void TfrmRoute::keyPressEvent(QKeyEvent* event) {
    // Escape closes like the "OK" button: typed rows are never dropped by a
    // stray key. Only the close box leaves the store as it was.
    if (event->key() == Qt::Key_Escape) {
        btnCancelClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace nuvrel::ui

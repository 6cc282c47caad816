#include "ui/tfrm_waypoint.h"

#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/errors.h"
#include "core/gps/gps_model.h"
#include "render/code_page_text.h"
#include "ui/tfrm_selsmbl.h"

#include <QAbstractItemDelegate>
#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <new>

namespace nuvrel::ui {

namespace {

SymbolModel symbolModelOf(const IFTOption& options) {
    return SymbolModel{options.GPSModelID(), options.GPSSoftwareVersion()};
}

constexpr int kRowHeight = 16;

} // namespace

// ---- WaypointGridModel ----------------------------------------------------

WaypointGridModel::WaypointGridModel(WaypointRows rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(std::move(rows)) {}

int WaypointGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int WaypointGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : WaypointRows::kColumns;
}

QVariant WaypointGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return render::fromCodePage(rows_.cell(static_cast<std::size_t>(index.row()), index.column()));
}

bool WaypointGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    rows_.setCell(static_cast<std::size_t>(index.row()), index.column(), render::toCodePage(value.toString()));
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant WaypointGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole) {
        if (orientation == Qt::Horizontal)
            return section >= 0 && section < WaypointRows::kColumns
                       ? QVariant(QString::fromLatin1(WaypointRows::kColumnInfo[static_cast<std::size_t>(section)].title))
                       : QVariant();
        return QString::number(section + 1);
    }
    if (role == Qt::TextAlignmentRole && orientation == Qt::Vertical)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags WaypointGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (editable_ && index.isValid())
        f |= Qt::ItemIsEditable;
    return f;
}

int WaypointGridModel::addRow() {
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    rows_.addRow();
    endInsertRows();
    return row;
}

bool WaypointGridModel::deleteRows(int first, int last) {
    if (first < 0 || last < first || first >= rowCount())
        return false;
    beginResetModel();
    const bool removed = rows_.removeRows(static_cast<std::size_t>(first), static_cast<std::size_t>(last));
    endResetModel();
    return removed;
}

QString WaypointGridModel::copyText(int first, int last) const {
    if (first < 0 || last < first)
        return {};
    return render::fromCodePage(rows_.copyText(static_cast<std::size_t>(first), static_cast<std::size_t>(last)));
}

int WaypointGridModel::paste(const QString& text) {
    beginResetModel();
    const std::size_t first = rows_.paste(render::toCodePage(text));
    endResetModel();
    return static_cast<int>(first);
}

// ---- WaypointGridView -----------------------------------------------------

bool WaypointGridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (index.isValid() && index.column() == WaypointRows::kSymbolColumn &&
        (index.flags() & Qt::ItemIsEditable) && (editTriggers() & trigger)) {
        emit symbolCellEdit(index);
        return false;
    }
    return QTableView::edit(index, trigger, event);
}

void WaypointGridView::commitEdit() {
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    if (QWidget* editor = indexWidget(current)) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

// ---- TfrmWaypoint ---------------------------------------------------------

TfrmWaypoint::TfrmWaypoint(IFTGarminData& data, const IFTOption& options, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), data_(data), options_(options), prompts_(prompts) {
    setObjectName(QStringLiteral("frmWaypoint"));
    setWindowTitle(QStringLiteral("Nuvrel Waypoint List"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    menuBar = new QMenuBar(this);
    QMenu* edit = menuBar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    auto command = [this](QMenu* menu, const QString& caption, const char* name, void (TfrmWaypoint::*slot)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    Enable1 = command(edit, QStringLiteral("&Enable"), "Enable1", &TfrmWaypoint::Enable1Click);
    Enable1->setCheckable(true);
    Add1 = command(edit, QStringLiteral("&Add"), "Add1", &TfrmWaypoint::Add1Click);
    Delete1 = command(edit, QStringLiteral("&Delete"), "Delete1", &TfrmWaypoint::Delete1Click);
    edit->addSeparator();
    SelectAll1 = command(edit, QStringLiteral("&Select All"), "SelectAll1", &TfrmWaypoint::SelectAll1Click);
    Copy1 = command(edit, QStringLiteral("&Copy"), "Copy1", &TfrmWaypoint::Copy1Click);
    Paste1 = command(edit, QStringLiteral("&Paste"), "Paste1", &TfrmWaypoint::Paste1Click);
    edit->addSeparator();
    Exit1 = command(edit, QStringLiteral("E&xit"), "Exit1", &TfrmWaypoint::Exit1Click);
    QMenu* update = menuBar->addMenu(QStringLiteral("&Update"));
    update->setObjectName(QStringLiteral("Update1"));
    Waypoint1 = command(update, QStringLiteral("&Waypoint"), "Waypoint1", &TfrmWaypoint::Waypoint1Click);
    // The usual keys of a table; a cell being edited keeps them for its text.
    SelectAll1->setShortcut(QKeySequence::SelectAll);
    Copy1->setShortcut(QKeySequence::Copy);
    Paste1->setShortcut(QKeySequence::Paste);

    model_ = new WaypointGridModel(WaypointRows(data_.waypoints(), symbolModelOf(options_)), this);
    const auto edited = [this] { edited_ = true; };
    connect(model_, &QAbstractItemModel::dataChanged, this, edited);
    connect(model_, &QAbstractItemModel::rowsInserted, this, edited);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, edited);
    connect(model_, &QAbstractItemModel::modelReset, this, edited);
    grdWaypoint = new WaypointGridView(this);
    grdWaypoint->setObjectName(QStringLiteral("grdWaypoint"));
    grdWaypoint->setModel(model_);
    grdWaypoint->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grdWaypoint->setTabKeyNavigation(true);
    grdWaypoint->setShowGrid(true);
    grdWaypoint->setWordWrap(false);
    QHeaderView* rowsHeader = grdWaypoint->verticalHeader();
    rowsHeader->setMinimumWidth(WaypointRows::kNumberColumnWidth);
    rowsHeader->setMinimumSectionSize(kRowHeight);
    rowsHeader->setDefaultSectionSize(std::max(kRowHeight, fontMetrics().height() + 4));
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
    // The columns' own widths, widened where the font would cut a title or
    // a position.
    const QFontMetrics metrics = grdWaypoint->fontMetrics();
    const int positionWidth = metrics.horizontalAdvance(QStringLiteral("-179^59'59.99\"")) + 8;
    int width = WaypointRows::kNumberColumnWidth + 2;
    for (int c = 0; c < WaypointRows::kColumns; ++c) {
        int w = WaypointRows::kColumnInfo[static_cast<std::size_t>(c)].width;
        w = std::max(w, grdWaypoint->horizontalHeader()->sectionSizeHint(c));
        if (c == 1 || c == 2)
            w = std::max(w, positionWidth);
        grdWaypoint->setColumnWidth(c, w);
        width += w + 2;
    }
    width += 16;
    connect(grdWaypoint->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { grdWaypointSelectCell(current); });
    connect(grdWaypoint, &WaypointGridView::symbolCellEdit, this, &TfrmWaypoint::pickSymbol);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    layout->addWidget(grdWaypoint);
    resize(width, 400);

    setEditMode(false);
}

void TfrmWaypoint::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!grdWaypoint->currentIndex().isValid())
        grdWaypoint->setCurrentIndex(model_->index(0, 0));
    grdWaypoint->setFocus();
}

void TfrmWaypoint::closeEvent(QCloseEvent* event) {
    // The close box ends the list like "E&xit".
    event->accept();
    done(QDialog::Accepted);
}

void TfrmWaypoint::keyPressEvent(QKeyEvent* event) {
    // Escape closes the list like "E&xit"; while a cell is edited the cell's
    // editor takes it first and only that edit is cancelled. Rows changed
    // since the opening are not dropped by a stray key without asking.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        if (edited_ && !prompts_.askYesNo("Confirm", "Close the list without writing the changes (Update > Waypoint)?"))
            return;
        Exit1Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmWaypoint::setEditMode(bool on) {
    if (!on)
        grdWaypoint->commitEdit();
    Enable1->setChecked(on);
    model_->setEditable(on);
    grdWaypoint->setEditTriggers(on ? QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                          QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed
                                    : QAbstractItemView::NoEditTriggers);
    grdWaypoint->setSelectionBehavior(on ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    const QModelIndex current = grdWaypoint->currentIndex();
    if (current.isValid() && !on)
        grdWaypoint->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
}

bool TfrmWaypoint::selectedRows(int& first, int& last) const {
    const QItemSelection selection = grdWaypoint->selectionModel()->selection();
    if (!selection.isEmpty()) {
        first = model_->rowCount();
        last = -1;
        for (const QItemSelectionRange& range : selection) {
            first = std::min(first, range.top());
            last = std::max(last, range.bottom());
        }
        return last >= first;
    }
    const QModelIndex current = grdWaypoint->currentIndex();
    if (!current.isValid())
        return false;
    first = last = current.row();
    return true;
}

void TfrmWaypoint::Enable1Click() { setEditMode(Enable1->isChecked()); }

void TfrmWaypoint::Add1Click() {
    grdWaypoint->commitEdit();
    const int row = model_->addRow();
    setEditMode(true);
    const QModelIndex index = model_->index(row, 0);
    grdWaypoint->setCurrentIndex(index);
    grdWaypoint->scrollTo(index, QAbstractItemView::PositionAtBottom);
    grdWaypoint->setFocus();
}

void TfrmWaypoint::Delete1Click() {
    grdWaypoint->commitEdit();
    int first = 0, last = 0;
    if (!selectedRows(first, last) || !model_->deleteRows(first, last))
        return;
    const int row = std::min(first, model_->rowCount() - 1);
    grdWaypoint->setCurrentIndex(model_->index(row, 0));
}

void TfrmWaypoint::SelectAll1Click() {
    grdWaypoint->commitEdit();
    grdWaypoint->selectAll();
}

void TfrmWaypoint::Copy1Click() {
    grdWaypoint->commitEdit();
    int first = 0, last = 0;
    if (!selectedRows(first, last))
        return;
    QGuiApplication::clipboard()->setText(model_->copyText(first, last));
}

void TfrmWaypoint::Paste1Click() {
    grdWaypoint->commitEdit();
    const QString text = QGuiApplication::clipboard()->text();
    const int first = model_->paste(text);
    const int rows = model_->rowCount();
    if (first >= rows)
        return;
    grdWaypoint->setCurrentIndex(model_->index(first, 0));
    grdWaypoint->selectionModel()->select(
        QItemSelection(model_->index(first, 0), model_->index(rows - 1, WaypointRows::kColumns - 1)),
        QItemSelectionModel::ClearAndSelect);
    grdWaypoint->scrollTo(model_->index(rows - 1, 0));
}

void TfrmWaypoint::Exit1Click() { done(QDialog::Accepted); }

void TfrmWaypoint::Waypoint1Click() {
    grdWaypoint->commitEdit();
    try {
        auto store = std::make_unique<IFTGarminWaypoint>(model_->rows().toStore(symbolModelOf(options_)));
        data_.setWaypoints(std::move(store));
    } catch (const std::bad_alloc&) {
        // The store keeps what it held and the list its edits.
        ShowError(prompts_, kErrOutOfMemory);
        return;
    }
    written_ = true;
    done(QDialog::Accepted);
}

void TfrmWaypoint::grdWaypointSelectCell(const QModelIndex& current) {
    if (!model_->editable() || !current.isValid() || current.column() != WaypointRows::kSymbolColumn)
        return;
    // After the grid has finished moving there.
    const QPersistentModelIndex target(current);
    QTimer::singleShot(0, this, [this, target] {
        if (target.isValid() && grdWaypoint->currentIndex() == target)
            pickSymbol(target);
    });
}

void TfrmWaypoint::pickSymbol(const QModelIndex& index) {
    if (picking_ || !model_->editable() || !index.isValid())
        return;
    picking_ = true;
    if (!frmSelsmbl_)
        frmSelsmbl_ = new TfrmSelsmbl(options_, this);
    const QString current = model_->data(index, Qt::EditRole).toString();
    frmSelsmbl_->selectedName = current;
    // Open the list at the symbol shown now.
    const auto symbols =
        GPSModel::Symbols(GPSModel::WaypointFormatFor(options_.GPSModelID(), options_.GPSSoftwareVersion()));
    for (std::size_t i = 0; i < symbols.size(); ++i)
        if (current == QString::fromLatin1(symbols[i].name))
            frmSelsmbl_->selectedIndex = static_cast<int>(i);
    const QPersistentModelIndex target(index);
    frmSelsmbl_->exec();
    if (target.isValid())
        model_->setData(target, frmSelsmbl_->selectedName);
    picking_ = false;
}

} // namespace nuvrel::ui

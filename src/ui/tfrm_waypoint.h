// "Nuvrel Waypoint List": the waypoint store as an editable table. Rows are
// edited, added, deleted and exchanged with other programs through the
// clipboard, then written back into the store in one piece by
// "&Update" > "&Waypoint". The window is made per opening and shown modally;
// edits that were not written back are dropped with it.
#pragma once

#include "core/app/waypoint_rows.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QTableView>

class QAction;
class QMenuBar;

namespace nuvrel {
class IFTGarminData;
class IFTOption;
class UserPrompts;
} // namespace nuvrel

namespace nuvrel::ui {

class TfrmSelsmbl;

// The list's rows as a table model: the eight cell columns, the titles in
// the horizontal header and the row numbers (1, 2, 3, ...) in the vertical one.
class WaypointGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit WaypointGridModel(WaypointRows rows, QObject* parent = nullptr);

    const WaypointRows& rows() const { return rows_; }
    void setEditable(bool on) { editable_ = on; }
    bool editable() const { return editable_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int addRow();
    bool deleteRows(int first, int last);
    QString copyText(int first, int last) const;
    // Returns the first row filled, or rowCount() when the text held no line.
    int paste(const QString& text);

private:
    WaypointRows rows_;
    bool editable_ = false;
};

// The grid: a symbol cell is edited with the symbol picker instead of text.
class WaypointGridView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

    // Ends the edit of the current cell, keeping its text.
    void commitEdit();

signals:
    void symbolCellEdit(const QModelIndex& index);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
};

class TfrmWaypoint : public QDialog {
    Q_OBJECT
public:
    TfrmWaypoint(nuvrel::IFTGarminData& data, const nuvrel::IFTOption& options, nuvrel::UserPrompts& prompts,
                 QWidget* parent = nullptr);

    WaypointGridView* grdWaypoint = nullptr;
    QMenuBar* menuBar = nullptr;
    QAction* Enable1 = nullptr;
    QAction* Add1 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* SelectAll1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Waypoint1 = nullptr;

    WaypointGridModel& model() { return *model_; }
    // True once the rows were written into the store.
    bool written() const { return written_; }

public slots:
    void Enable1Click();
    void Add1Click();
    void Delete1Click();
    void SelectAll1Click();
    void Copy1Click();
    void Paste1Click();
    void Exit1Click();
    void Waypoint1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setEditMode(bool on);
    // The first and last row of the selection (the current row when nothing
    // is selected); false when the grid has no current cell.
    bool selectedRows(int& first, int& last) const;
    void grdWaypointSelectCell(const QModelIndex& current);
    void pickSymbol(const QModelIndex& index);

    nuvrel::IFTGarminData& data_;
    const nuvrel::IFTOption& options_;
    nuvrel::UserPrompts& prompts_;
    WaypointGridModel* model_ = nullptr;
    TfrmSelsmbl* frmSelsmbl_ = nullptr;
    bool picking_ = false;
    bool written_ = false;
    bool edited_ = false; // rows changed since the opening
};

} // namespace nuvrel::ui

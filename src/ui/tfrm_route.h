// The route editor: one route of the store at a time in a table, its number
// and name above, and the buttons that edit rows, add routes and close for
// upload. Its table and the route shown persist between openings; the
// table is written into the store when the route number changes and when
// either closing button (or Escape) is pressed, not when the close box is.
#pragma once

#include "core/app/route_editor.h"

#include <QDialog>
#include <QTableWidget>

#include <cstdint>

class QLineEdit;
class QPushButton;

namespace nuvrel {
class CRouteField;
class IFTGarminData;
class IFTOption;
} // namespace nuvrel

namespace nuvrel::ui {

class TfrmSelRtWpt;
class TfrmSelsmbl;
class UpDown;

// The editor's grid: remembers the keyboard modifiers of the last click.
class RouteTable : public QTableWidget {
    Q_OBJECT
public:
    using QTableWidget::QTableWidget;
    Qt::KeyboardModifiers clickModifiers() const { return clickModifiers_; }
    // Writes a cell editor that is still open into its cell.
    void commitOpenEditor();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    Qt::KeyboardModifiers clickModifiers_;
};

class TfrmRoute : public QDialog {
    Q_OBJECT
public:
    TfrmRoute(CRouteField& routes, const IFTGarminData& data, const IFTOption& option, QWidget* parent = nullptr);

    QLineEdit* edtRouteNo;
    UpDown* udRouteNo;
    QLineEdit* edtRouteName;
    RouteTable* grdRoute;
    QPushButton* btnAdd;
    QPushButton* btnInsert;
    QPushButton* btnDelete;
    QPushButton* btnNewRoute;
    QPushButton* btnUpload;
    QPushButton* btnCancel;
    TfrmSelRtWpt* frmSelRtWpt;

    std::uint32_t currentRoute() const { return editor_.currentRoute(); }
    RouteEditor& editor() { return editor_; }
    // The symbol picker of the Symbol column (made when first needed).
    TfrmSelsmbl& frmSelsmbl();

    // Shows route r of the store in the table and the name field.
    void LoadRouteIntoGrid(std::uint32_t r);
    // Writes the table and the name into the route shown.
    void SaveGridToRoute();
    // Sets the route number as if typed: the route is loaded even when the
    // field already held that number.
    void setRouteNumber(std::uint32_t r);

public slots:
    void FormShow();
    void edtRouteNoChange();
    void edtRouteNoExit();
    void grdRouteClick(int row, int column);
    void btnAddClick();
    void btnInsertClick();
    void btnDeleteClick();
    void btnNewRouteClick();
    void btnUploadClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Table widget <-> the editor's rows and name.
    void readTable();
    void writeTable();
    int gridRow(int tableRow) const { return tableRow + 1; }
    int currentGridRow() const;
    void pickWaypoint(int row);
    void pickSymbol(int row);

    CRouteField& routes_;
    const IFTGarminData& data_;
    const IFTOption& option_;
    RouteEditor editor_;
    TfrmSelsmbl* frmSelsmbl_ = nullptr;
};

} // namespace nuvrel::ui

// The route editor's waypoint picker: the names of the waypoint store in one
// column filling the window. A click on a name closes it with OK.
#pragma once

#include <QDialog>
#include <QStringList>

class QTableWidget;

namespace nuvrel::ui {

class TfrmSelRtWpt : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelRtWpt(QWidget* parent = nullptr);

    QTableWidget* grdWaypoint;

    // One row per name, in the order given.
    void setIdents(const QStringList& idents);
    // The name in the selected row (empty when none is selected).
    QString selectedIdent() const;

public slots:
    void FormResize();
    void grdWaypointClick();

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace nuvrel::ui

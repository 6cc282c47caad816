#include "ui/tfrm_selsmbl.h"

#include "core/ift_option.h"
#include "core/gps/gps_model.h"

#include <QEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace nuvrel::ui {

TfrmSelsmbl::TfrmSelsmbl(const nuvrel::IFTOption& options, QWidget* parent) : QDialog(parent), options_(options) {
    setObjectName(QStringLiteral("frmSelsmbl"));
    setWindowTitle(QStringLiteral("Select Symbol"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint);
    lbSymbol = new QListWidget(this);
    lbSymbol->setObjectName(QStringLiteral("lbSymbol"));
    lbSymbol->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lbSymbol);
    resize(220, 320);

    // A click anywhere in the list picks (or, on no item, just closes);
    // Enter on an item picks it too.
    lbSymbol->viewport()->installEventFilter(this);
    connect(lbSymbol, &QListWidget::itemActivated, this, [this] { lbSymbolClick(); });
}

void TfrmSelsmbl::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfrmSelsmbl::FormShow() {
    const WaypointFormat format = GPSModel::WaypointFormatFor(options_.GPSModelID(), options_.GPSSoftwareVersion());
    if (format != WaypointFormat::D100) {
        // A receiver without symbols keeps whatever the list showed last.
        lbSymbol->clear();
        for (const GPSModel::Symbol& s : GPSModel::Symbols(format))
            lbSymbol->addItem(QString::fromLatin1(s.name));
    }
    if (QListWidgetItem* top = lbSymbol->item(selectedIndex)) {
        lbSymbol->setCurrentItem(top, QItemSelectionModel::NoUpdate);
        lbSymbol->scrollToItem(top, QAbstractItemView::PositionAtTop);
    }
    lbSymbol->clearSelection();
    lbSymbol->setFocus();
}

bool TfrmSelsmbl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lbSymbol->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        QTimer::singleShot(0, this, &TfrmSelsmbl::lbSymbolClick); // after the list has taken the click
    return QDialog::eventFilter(watched, event);
}

void TfrmSelsmbl::lbSymbolClick() {
    if (!isVisible())
        return;
    const QList<QListWidgetItem*> picked = lbSymbol->selectedItems();
    if (picked.isEmpty()) {
        reject();
        return;
    }
    selectedName = picked.first()->text();
    selectedIndex = lbSymbol->row(picked.first());
    accept();
}

} // namespace nuvrel::ui

#include "ui/tfrm_seldatum.h"
#include "ui/dialog_buttons.h"

#include "core/ift_option.h"
#include "core/geo/map_datum.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace nuvrel::ui {

TfrmSeldatum::TfrmSeldatum(nuvrel::IFTOption& options, QWidget* parent) : QDialog(parent), options_(options) {
    setObjectName(QStringLiteral("frmSeldatum"));
    setWindowTitle(QStringLiteral("Select Map Datum"));

    Label1 = new QLabel(QStringLiteral("Datum : "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    lblDatumName = new QLabel(this);
    lblDatumName->setObjectName(QStringLiteral("lblDatumName"));
    lbDatums = new QListWidget(this);
    lbDatums->setObjectName(QStringLiteral("lbDatums"));
    lbDatums->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* buttons = okCancelRow(this, btnOK, btnCancel);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(Label1);
    nameRow->addWidget(lblDatumName, 1);
    // The list spans the dialog's whole client width.
    nameRow->setContentsMargins(9, 0, 9, 0);
    buttons->setContentsMargins(9, 0, 9, 0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 9, 0, 9);
    layout->addLayout(nameRow);
    layout->addWidget(lbDatums, 1);
    layout->addLayout(buttons);

    const MapDatum datum(options_.DatumName());
    lblDatumName->setText(QString::fromStdString(datum.name()));
    for (const auto& row : datum.rows()) {
        lbDatums->addItem(QString::fromStdString(row.name));
        if (row.name == options_.DatumName())
            lbDatums->setCurrentRow(lbDatums->count() - 1);
    }
    lbDatums->setMinimumWidth(lbDatums->sizeHintForColumn(0) + 2 * lbDatums->frameWidth() + 24);
    lbDatums->setMinimumHeight(20 * lbDatums->sizeHintForRow(0));

    connect(lbDatums, &QListWidget::currentRowChanged, this, &TfrmSeldatum::lbDatumsClick);
    connect(lbDatums, &QListWidget::itemDoubleClicked, this, &TfrmSeldatum::btnOKClick);
    connect(btnOK, &QPushButton::clicked, this, &TfrmSeldatum::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmSeldatum::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TfrmSeldatum::FormShow() {
    lbDatums->setCurrentRow(MapDatum::kFallbackIndex);
    const auto found = lbDatums->findItems(QString::fromStdString(options_.DatumName()), Qt::MatchExactly |
                                                                                         Qt::MatchCaseSensitive);
    if (!found.isEmpty())
        lbDatums->setCurrentItem(found.first());
    lbDatums->scrollToItem(lbDatums->currentItem(), QAbstractItemView::PositionAtCenter);
}

void TfrmSeldatum::lbDatumsClick() {
    if (auto* item = lbDatums->currentItem())
        lblDatumName->setText(item->text());
}

void TfrmSeldatum::btnOKClick() {
    if (auto* item = lbDatums->currentItem())
        options_.SetDatumName(item->text().toStdString());
    accept();
}

} // namespace nuvrel::ui

#include "ui/tfrm_autodetect.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace nuvrel::ui {

TfrmAutoDetectResult::TfrmAutoDetectResult(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAutoDetectResult"));
    setWindowTitle(QStringLiteral("Auto Detect Result"));

    Label1 = new QLabel(QStringLiteral("ID"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("Descriptoin"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    edtID = new QLineEdit(this);
    edtID->setObjectName(QStringLiteral("edtID"));
    edtDescription = new QLineEdit(this);
    edtDescription->setObjectName(QStringLiteral("edtDescription"));
    edtDescription->setMinimumWidth(280);
    for (QLineEdit* e : {edtID, edtDescription})
        e->setEnabled(false);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(edtID, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(edtDescription, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace nuvrel::ui

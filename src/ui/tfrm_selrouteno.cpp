#include "ui/tfrm_selrouteno.h"
#include "ui/dialog_buttons.h"

#include "core/app/route_editor.h"
#include "core/platform.h"
#include "ui/up_down.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nuvrel::ui {

TfrmSelRouteNo::TfrmSelRouteNo(UserPrompts& prompts, QWidget* parent) : QDialog(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("frmSelRouteNo"));
    setWindowTitle(QStringLiteral("Select Route Number"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    edtRouteNo = new QLineEdit(QStringLiteral("0"), this);
    edtRouteNo->setObjectName(QStringLiteral("edtRouteNo"));
    edtRouteNo->setFixedWidth(48);
    UpDown1 = new UpDown(edtRouteNo, 0, kMaxRouteNumber, this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    auto* number = new QHBoxLayout;
    number->addWidget(new QLabel(QStringLiteral("Route No."), this));
    number->addWidget(edtRouteNo);
    number->addWidget(UpDown1);
    number->addStretch();

    auto* buttons = okCancelRow(this, btnOK, btnCancel, ButtonRow::Filled);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(number);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOK, &QPushButton::clicked, this, &TfrmSelRouteNo::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmSelRouteNo::btnCancelClick);
}

std::optional<std::uint32_t> TfrmSelRouteNo::routeNumber() const {
    return ParseRouteNumber(edtRouteNo->text().toStdString(), kMaxRouteNumber);
}

void TfrmSelRouteNo::btnOKClick() {
    if (!routeNumber()) {
        prompts_.beep();
        edtRouteNo->selectAll();
        edtRouteNo->setFocus();
        prompts_.showMessage("NUVREL", RouteNumberRange(kMaxRouteNumber));
        return;
    }
    accept();
}

void TfrmSelRouteNo::btnCancelClick() { reject(); }

} // namespace nuvrel::ui

#include "ui/tfrm_rtnoin.h"
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

TfrmRtnoIn::TfrmRtnoIn(UserPrompts& prompts, QWidget* parent) : QDialog(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("frmRtnoIn"));
    setWindowTitle(QStringLiteral("Confirm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* text = new QLabel(QStringLiteral("Do you wish to upload Current Route as Route Number "), this);
    edtUploadNo = new QLineEdit(QStringLiteral("0"), this);
    edtUploadNo->setObjectName(QStringLiteral("edtUploadNo"));
    edtUploadNo->setFixedWidth(48);
    udUploadNo = new UpDown(edtUploadNo, 0, kMaxRouteNumber, this);
    udUploadNo->setObjectName(QStringLiteral("udUploadNo"));
    auto* question = new QHBoxLayout;
    question->addWidget(text);
    question->addWidget(edtUploadNo);
    question->addWidget(udUploadNo);

    auto* buttons = okCancelRow(this, btnOK, btnCancel, ButtonRow::Centred);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(question);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOK, &QPushButton::clicked, this, &TfrmRtnoIn::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmRtnoIn::btnCancelClick);
}

std::optional<std::uint8_t> TfrmRtnoIn::uploadNumber() const {
    const auto number = ParseRouteNumber(edtUploadNo->text().toStdString(), kMaxRouteNumber);
    if (!number)
        return std::nullopt;
    return static_cast<std::uint8_t>(*number);
}

void TfrmRtnoIn::btnOKClick() {
    if (!uploadNumber()) {
        prompts_.beep();
        edtUploadNo->selectAll();
        edtUploadNo->setFocus();
        prompts_.showMessage("NUVREL", RouteNumberRange(kMaxRouteNumber));
        return;
    }
    accept();
}

void TfrmRtnoIn::btnCancelClick() { reject(); }

} // namespace nuvrel::ui

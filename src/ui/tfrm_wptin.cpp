#include "ui/tfrm_wptin.h"
#include "ui/dialog_buttons.h"

#include "core/errors.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nuvrel::ui {

TfrmWptin::TfrmWptin(UserPrompts& prompts, QWidget* parent) : QDialog(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("frmWptin"));
    setWindowTitle(QStringLiteral("Input Waypoint"));
    auto make = [this](const char* name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        return edit;
    };
    edtWaypointID = make("edtWaypointID");
    edtLatitude = make("edtLatitude");
    edtLongitude = make("edtLongitude");
    edtComment = make("edtComment");
    edtComment->setMaxLength(40);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Waypoint ID"), edtWaypointID);
    form->addRow(QStringLiteral("Latitude"), edtLatitude);
    form->addRow(QStringLiteral("Longitude"), edtLongitude);
    form->addRow(QStringLiteral("Comment"), edtComment);

    auto* buttons = okCancelRow(this, btnOK, btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    setTabOrder(edtWaypointID, edtLatitude);
    setTabOrder(edtLatitude, edtLongitude);
    setTabOrder(edtLongitude, edtComment);
    connect(btnOK, &QPushButton::clicked, this, &TfrmWptin::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmWptin::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    edtWaypointID->setFocus();
}

void TfrmWptin::btnOKClick() {
    if (edtWaypointID->text().isEmpty()) {
        ShowError(prompts_, kErrNoWaypointId);
        return;
    }
    accept();
}

} // namespace nuvrel::ui

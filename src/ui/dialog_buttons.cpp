#include "ui/dialog_buttons.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace nuvrel::ui {

QHBoxLayout* okCancelRow(QWidget* dialog, QPushButton*& ok, QPushButton*& cancel, ButtonRow row) {
    ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout;
    if (row != ButtonRow::Filled)
        buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    if (row == ButtonRow::Centred)
        buttons->addStretch();
    return buttons;
}

} // namespace nuvrel::ui

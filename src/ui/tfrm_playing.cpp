#include "ui/tfrm_playing.h"

#include <QEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace nuvrel::ui {

TfrmPlaying::TfrmPlaying(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPlaying"));
    setWindowTitle(QStringLiteral("Playing"));
    btnStop = new QPushButton(QStringLiteral("Click to stop"), this);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    btnStop->setMinimumSize(113, 27);
    btnStop->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(btnStop);
    connect(btnStop, &QPushButton::clicked, this, &QDialog::accept);
    resize(113, 27);
}

void TfrmPlaying::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    const bool active = isActiveWindow();
    if (active == active_)
        return;
    active_ = active;
    if (!active) {
        lostActivation_ = true;
        emit deactivated();
    } else if (lostActivation_) {
        emit reactivated();
    }
}

} // namespace nuvrel::ui

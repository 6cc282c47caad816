#include "ui/up_down.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace nuvrel::ui {

UpDown::UpDown(QLineEdit* associate, int min, int max, QWidget* parent)
    : QWidget(parent), edit_(associate), min_(min), max_(max), position_(min) {
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    up_->setAutoRepeat(true);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    down_->setAutoRepeat(true);
    for (QToolButton* b : {up_, down_}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(16, 11);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up_);
    layout->addWidget(down_);
    connect(up_, &QToolButton::clicked, this, [this] { step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
    edit_->installEventFilter(this);
}

void UpDown::setPosition(int position) {
    position_ = std::clamp(position, min_, max_);
    edit_->setText(QString::number(position_));
}

void UpDown::setMaximum(int max) {
    max_ = std::max(max, min_);
    position_ = std::clamp(position_, min_, max_);
}

void UpDown::step(int delta) {
    bool ok = false;
    const int typed = edit_->text().trimmed().toInt(&ok);
    // The arrows start from what is typed, when it is a number.
    setPosition((ok ? std::clamp(typed, min_, max_) : position_) + delta);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace nuvrel::ui

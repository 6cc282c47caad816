#include "ui/color_swatch.h"

#include <QMouseEvent>
#include <QPainter>

namespace nuvrel::ui {

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(65, 25);
    setToolTip(QStringLiteral("Click to choose the colour"));
}

void ColorSwatch::setColor(const QColor& color) {
    color_ = color;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(contentsRect(), color_);
    painter.end();
    QFrame::paintEvent(event);
}

void ColorSwatch::mousePressEvent(QMouseEvent* event) { emit pressed(event->button()); }

} // namespace nuvrel::ui

// A filled rectangle showing a colour; any mouse button on it asks for a new one.
#pragma once

#include <QColor>
#include <QFrame>

namespace nuvrel::ui {

class ColorSwatch : public QFrame {
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    QColor color() const { return color_; }
    void setColor(const QColor& color);

signals:
    void pressed(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor color_ = Qt::red;
};

} // namespace nuvrel::ui

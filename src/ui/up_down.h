// A pair of arrow buttons that steps the whole number in an edit field
// between limits, without wrapping around. The field stays free text, so a
// value beyond the limits can still be typed; the arrows (and the Up/Down
// keys in the field) bring it back within them.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace nuvrel::ui {

class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(QLineEdit* associate, int min, int max, QWidget* parent = nullptr);

    int position() const { return position_; }
    // Sets the position (within the limits) and writes it into the field.
    void setPosition(int position);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    // A new upper limit (never below the lower one); the field is left as it is.
    void setMaximum(int max);
    // One step up (+1) or down (-1) from the number in the field.
    void step(int delta);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    QToolButton* up_;
    QToolButton* down_;
    int min_;
    int max_;
    int position_;
};

} // namespace nuvrel::ui

// The small "Playing" window with one button, "Click to stop", shown modally
// while a track is replayed or the live position is followed.
#pragma once

#include <QDialog>

class QPushButton;

namespace nuvrel::ui {

class TfrmPlaying : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPlaying(QWidget* parent = nullptr);
    QPushButton* btnStop;

signals:
    // The window lost activation (another window or program came to the
    // front, or it is closing).
    void deactivated();
    // It became the active window again after losing activation.
    void reactivated();

protected:
    void changeEvent(QEvent* event) override;

private:
    bool active_ = false;
    bool lostActivation_ = false;
};

} // namespace nuvrel::ui

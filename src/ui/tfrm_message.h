// The progress window of the serial transfers and of printing: a caption and
// one line of large text. The work runs on the GUI thread and blocks the
// event loop, so the window paints itself: show() waits until the X server
// has mapped and exposed it, and show(), repaint() and hide() let the window
// system and the posted events through (paint, expose, layout), but no
// timers and no socket notifiers; the user's clicks, keys, close requests
// and drops that come meanwhile are dropped, so no other command starts
// during a transfer or after it. No buttons, no cancel.
#pragma once

#include "core/platform.h"

#include <QWidget>

class QLabel;

namespace nuvrel::ui {

class TfrmMessage : public QWidget, public Progress {
    Q_OBJECT
public:
    explicit TfrmMessage(QWidget* parent = nullptr);

    QLabel* lblMessage;

    // Progress: the title goes to the caption and the line, a label to the line.
    void setTitle(const std::string& title) override;
    void setLabel(const std::string& text) override;
    void show() override;
    void repaint() override;
    void hide() override;
};

} // namespace nuvrel::ui

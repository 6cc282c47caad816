// The progress window of the serial transfers and of printing: a caption and
// one line of large text.
//
// Long work on a worker thread (GuiWorkRunner) shows it with beginWork():
// then it has a Cancel button that stops the work at once, and Esc or its
// close box ask first (onStopRequest).
//
// Printing still runs on the GUI thread through the Progress interface and
// blocks the event loop, so there the window paints itself: show() waits
// until the X server has mapped and exposed it, and show(), repaint() and
// hide() let the window system and the posted events through (paint,
// expose, layout), but no timers and no socket notifiers; the user's clicks,
// keys, close requests and drops that come meanwhile are dropped, so no
// other command starts during the work or after it. No buttons then.
#pragma once

#include "core/platform.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace nuvrel::ui {

class TfrmMessage : public QWidget, public Progress {
    Q_OBJECT
public:
    explicit TfrmMessage(QWidget* parent = nullptr);

    QLabel* lblMessage;
    QPushButton* btnCancel;

    // Long work: shown with the title (the caption kept when "") and the
    // Cancel button; showLine() sets the line; endWork() hides it.
    void beginWork(const std::string& title);
    void showLine(const std::string& text);
    // The line once a stop was asked for, until the work has ended.
    void showStopping();
    void endWork();
    bool working() const { return working_; }
    std::function<void()> onCancel;      // the Cancel button
    std::function<void()> onStopRequest; // Esc or the close box during work

    // Progress: the title goes to the caption and the line, a label to the line.
    void setTitle(const std::string& title) override;
    void setLabel(const std::string& text) override;
    void show() override;
    void repaint() override;
    void hide() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void placeOverOwner();
    bool working_ = false;
};

} // namespace nuvrel::ui

// Long work (transfers first; the flight report's score, large maps and
// printing can use it the same way) on a worker thread while the windows
// stay alive: the main window repaints, moves and resizes, the progress
// window shows the work's caption and line with a Cancel button, and the
// busy cursor shows from the first moment. run() returns when the work has
// ended, so a command reads as a plain sequence: ask, run, show the result.
//
// The work never touches a window: it reports through its WorkContext
// (reports reach the progress window through the event loop, questions are
// asked on the GUI thread while the work waits) and leaves its result for
// the caller, who applies it after run() returned.
#pragma once

#include "core/platform.h"

#include <QObject>

#include <memory>
#include <stop_token>

class QWidget;

namespace nuvrel::ui {

class TfrmMessage;

class GuiWorkRunner final : public QObject, public WorkRunner {
    Q_OBJECT
public:
    // window: the progress window; prompts: the boxes of the GUI thread;
    // owner: the window the questions are centred on.
    GuiWorkRunner(TfrmMessage& window, UserPrompts& prompts, QWidget* owner);
    ~GuiWorkRunner() override;

    void run(const std::string& title, const std::function<void(WorkContext&)>& work) override;

    bool busy() const { return busy_; }
    // Stops the work under way at once (the Cancel button).
    void stop();
    // Asks "Stop the transfer?" ("Confirm", Yes by default) and stops the
    // work on Yes. True when nothing runs any more or it was told to stop.
    bool askToStop();

    // The text of the question asked before a stop.
    static constexpr const char* kStopQuestion = "Stop the transfer?";

signals:
    // Around each run, on the GUI thread: commands that would touch the
    // data are disabled in between.
    void started();
    void finished();

private:
    struct Run;
    TfrmMessage& window_;
    UserPrompts& prompts_;
    QWidget* owner_;
    bool busy_ = false;
    std::shared_ptr<Run> current_;
};

// Takes the busy cursor away while a box is on the screen and puts it back
// afterwards (however many times it was set).
class CursorAside {
public:
    CursorAside();
    ~CursorAside();
    CursorAside(const CursorAside&) = delete;
    CursorAside& operator=(const CursorAside&) = delete;

private:
    int depth_ = 0;
};

} // namespace nuvrel::ui

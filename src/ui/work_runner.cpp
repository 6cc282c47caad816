#include "ui/work_runner.h"

#include "render/code_page_text.h"
#include "ui/tfrm_message.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>

#include <atomic>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace nuvrel::ui {

CursorAside::CursorAside() {
    while (QApplication::overrideCursor()) {
        QApplication::restoreOverrideCursor();
        ++depth_;
    }
}

CursorAside::~CursorAside() {
    for (int i = 0; i < depth_; ++i)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

// What one run shares between the GUI thread and the worker. Held by both
// (and by reports still queued), so it outlives whichever ends last.
struct GuiWorkRunner::Run {
    std::stop_source stop;
    std::mutex lock;
    WorkProgress latest;
    std::atomic<bool> reportQueued{false};
};

namespace {

// The prompts the work sees: each call is made on the GUI thread while the
// work waits; the progress window steps aside and the busy cursor goes.
class GuiThreadPrompts final : public UserPrompts {
public:
    GuiThreadPrompts(UserPrompts& inner, TfrmMessage& window) : inner_(inner), window_(window) {}
    void showError(int number, const std::string& message) override {
        onGuiThread([&] { inner_.showError(number, message); });
    }
    bool askYesNo(const std::string& title, const std::string& text) override {
        bool yes = false;
        onGuiThread([&] { yes = inner_.askYesNo(title, text); });
        return yes;
    }
    void showMessage(const std::string& title, const std::string& text) override {
        onGuiThread([&] { inner_.showMessage(title, text); });
    }
    void beep() override {
        onGuiThread([&] { inner_.beep(); });
    }

private:
    template <class F>
    void onGuiThread(F f) {
        QMetaObject::invokeMethod(
            &window_,
            [&] {
                const bool shown = window_.isVisible();
                if (shown)
                    window_.QWidget::hide();
                {
                    CursorAside aside;
                    f();
                }
                if (shown)
                    window_.QWidget::show();
            },
            Qt::BlockingQueuedConnection);
    }

    UserPrompts& inner_;
    TfrmMessage& window_;
};

class GuiContext final : public WorkContext {
public:
    GuiContext(std::shared_ptr<void> keep, std::stop_token stop, std::function<void(const WorkProgress&)> report,
               UserPrompts& prompts)
        : keep_(std::move(keep)), stop_(std::move(stop)), report_(std::move(report)), prompts_(prompts) {}
    std::stop_token stopToken() const override { return stop_; }
    void report(const WorkProgress& progress) override { report_(progress); }
    UserPrompts& prompts() override { return prompts_; }

private:
    std::shared_ptr<void> keep_;
    std::stop_token stop_;
    std::function<void(const WorkProgress&)> report_;
    UserPrompts& prompts_;
};

} // namespace

GuiWorkRunner::GuiWorkRunner(TfrmMessage& window, UserPrompts& prompts, QWidget* owner)
    : QObject(owner), window_(window), prompts_(prompts), owner_(owner) {
    window_.onCancel = [this] { stop(); };
    window_.onStopRequest = [this] { askToStop(); };
}

GuiWorkRunner::~GuiWorkRunner() = default;

void GuiWorkRunner::stop() {
    if (!current_)
        return;
    current_->stop.request_stop();
    window_.showStopping();
}

bool GuiWorkRunner::askToStop() {
    if (!current_ || current_->stop.stop_requested())
        return true;
    CursorAside aside;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), QString::fromLatin1(kStopQuestion),
                    QMessageBox::Yes | QMessageBox::No, owner_);
    box.setDefaultButton(QMessageBox::Yes);
    box.setObjectName(QStringLiteral("StopQuestion"));
    if (box.exec() != QMessageBox::Yes)
        return false;
    stop();
    return true;
}

void GuiWorkRunner::run(const std::string& title, const std::function<void(WorkContext&)>& work) {
    if (busy_)
        throw std::logic_error("long work started while other long work runs");
    auto run = std::make_shared<Run>();
    current_ = run;
    busy_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    emit started();
    window_.beginWork(title);

    // Reports are coalesced: the newest waits in `latest`, and one queued
    // call at a time takes it to the window.
    QPointer<TfrmMessage> window(&window_);
    auto report = [run, window](const WorkProgress& p) {
        {
            std::lock_guard<std::mutex> hold(run->lock);
            if (p.label.empty() && !run->latest.label.empty()) {
                const std::string kept = run->latest.label;
                run->latest = p;
                run->latest.label = kept;
            } else {
                run->latest = p;
            }
        }
        if (run->reportQueued.exchange(true))
            return;
        QMetaObject::invokeMethod(
            window.data(),
            [run, window] {
                run->reportQueued = false;
                WorkProgress p;
                {
                    std::lock_guard<std::mutex> hold(run->lock);
                    p = run->latest;
                }
                if (window && !run->stop.stop_requested() && !p.label.empty())
                    window->showLine(p.label);
            },
            Qt::QueuedConnection);
    };
    GuiThreadPrompts prompts(prompts_, window_);
    GuiContext context(run, run->stop.get_token(), report, prompts);

    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work(context);
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();

    window_.endWork();
    QApplication::restoreOverrideCursor();
    busy_ = false;
    current_.reset();
    emit finished();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace nuvrel::ui

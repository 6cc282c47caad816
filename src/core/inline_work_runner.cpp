#include "core/inline_work_runner.h"

namespace nuvrel {

namespace {

class InlineContext final : public WorkContext {
public:
    InlineContext(UserPrompts& prompts, Progress& progress, std::stop_token stop)
        : prompts_(prompts), progress_(progress), stop_(std::move(stop)) {}
    std::stop_token stopToken() const override { return stop_; }
    // The window shows from the first report; a report without a label
    // leaves the line as it is.
    void report(const WorkProgress& progress) override {
        if (!shown_) {
            progress_.show();
            shown_ = true;
        }
        if (progress.label.empty())
            return;
        progress_.setLabel(progress.label);
        progress_.repaint();
    }
    UserPrompts& prompts() override { return prompts_; }
    bool shown() const { return shown_; }

private:
    UserPrompts& prompts_;
    Progress& progress_;
    std::stop_token stop_;
    bool shown_ = false;
};

} // namespace

void InlineWorkRunner::run(const std::string& title, const std::function<void(WorkContext&)>& work) {
    InlineContext context(prompts_, progress_, stop_);
    if (!title.empty())
        progress_.setTitle(title);
    struct HideAtEnd {
        Progress& progress;
        const InlineContext& context;
        ~HideAtEnd() {
            if (context.shown())
                progress.hide();
        }
    } hide{progress_, context};
    work(context);
}

} // namespace nuvrel

// Long work run on the calling thread: the progress goes to a Progress sink
// (the terminal's line, a recorder in tests), questions to the prompts, and
// the stop comes from a stop source the caller owns (Ctrl-C, a test).
#pragma once

#include "core/platform.h"

namespace nuvrel {

class InlineWorkRunner final : public WorkRunner {
public:
    InlineWorkRunner(UserPrompts& prompts, Progress& progress, std::stop_token stop = {})
        : prompts_(prompts), progress_(progress), stop_(std::move(stop)) {}

    void run(const std::string& title, const std::function<void(WorkContext&)>& work) override;
    void setStopToken(std::stop_token stop) { stop_ = std::move(stop); }

private:
    UserPrompts& prompts_;
    Progress& progress_;
    std::stop_token stop_;
};

} // namespace nuvrel

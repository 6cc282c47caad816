// A transfer stopped by the user: the receiver is told to abort, the port is
// closed cleanly, and the next transfer on the same receiver works; an
// upload says how many records got through.
#include "core/app/gps_commands.h"
#include "core/gps/transfers.h"
#include "transfer_harness.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

using test::Harness;
using test::SimProcess;

// Runs long work on the calling thread and stops it once a report says
// `after` steps are done.
class StopAfterRunner final : public WorkRunner {
public:
    StopAfterRunner(UserPrompts& prompts, std::uint64_t after) : prompts_(prompts), after_(after) {}
    void run(const std::string&, const std::function<void(WorkContext&)>& work) override {
        struct Context final : WorkContext {
            StopAfterRunner& r;
            explicit Context(StopAfterRunner& runner) : r(runner) {}
            std::stop_token stopToken() const override { return r.stop_.get_token(); }
            void report(const WorkProgress& p) override {
                if (p.done >= r.after_)
                    r.stop_.request_stop();
            }
            UserPrompts& prompts() override { return r.prompts_; }
        } context(*this);
        work(context);
    }

private:
    UserPrompts& prompts_;
    std::uint64_t after_;
    std::stop_source stop_;
};

TEST(CancelLink, StoppedTransfersAbortAndLeaveTheLinkUsable) {
    // Paced, so that the stop comes while the receiver is sending.
    SimProcess sim({"--product-id", "87", "--track-points", "300", "--waypoints", "8", "--pace"});
    ASSERT_TRUE(sim.started());
    Harness h(87);
    const GpsCommandServices plain = h.services(sim);
    h.data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>(4)));

    struct Case {
        const char* what;
        std::function<void(const GpsCommandServices&)> transfer;
        const char* abandoned; // the simulator's record of the transfer it dropped
    };
    const Case cases[] = {
        {"track", [&](const GpsCommandServices& s) { EXPECT_FALSE(DownloadTrack(h.data, 1, s)); },
         "abandoned command=6"},
        {"routes", [&](const GpsCommandServices& s) { EXPECT_FALSE(ReceiveRoutes(h.routes, s)); },
         "abandoned command=4"},
    };
    std::size_t aborts = 0;
    for (const Case& c : cases) {
        StopAfterRunner runner(h.prompts, 2);
        c.transfer(GpsCommandServices{plain.ports, plain.option, plain.prompts, runner});
        EXPECT_TRUE(sim.waitForRecord(c.abandoned)) << c.what << "\n" << sim.record();
        // The receiver records the abort once it has read the command after dropping the transfer.
        EXPECT_TRUE(sim.waitForRecord("abort", 2000, ++aborts)) << c.what << "\n" << sim.record();
        EXPECT_TRUE(h.prompts.entries.empty()) << c.what; // the user asked for it: nothing to say
    }
    EXPECT_EQ(sim.recordLines("abort").size(), 2u) << sim.record();
    EXPECT_EQ(h.data.track()->count(), 4u); // the old log stays

    // The receiver was not switched off: the next download works.
    ASSERT_TRUE(DownloadWaypoints(h.data, 1, plain));
    EXPECT_EQ(h.data.waypoints()->count(), 8u);
    EXPECT_TRUE(h.prompts.entries.empty());

    // An upload stopped after 3 of the 8 waypoints says so.
    StopAfterRunner runner(h.prompts, 3);
    EXPECT_EQ(UploadWaypoints(*h.data.waypoints(), 1, GpsCommandServices{plain.ports, plain.option, plain.prompts,
                                                                         runner}),
              0);
    ASSERT_EQ(h.prompts.entries.size(), 1u);
    EXPECT_EQ(h.prompts.entries[0].text, "The upload was stopped: 3 of 8 waypoints reached the receiver.");
    ASSERT_TRUE(sim.waitForRecord("command number=0", 3000));
    EXPECT_EQ(sim.recordLines("wpt ").size(), 3u);
}

} // namespace
} // namespace nuvrel

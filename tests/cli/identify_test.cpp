// nuvrel-cli identify against the receiver simulator.
#include "support/test_support.h"

#include <gtest/gtest.h>

#ifdef NUVREL_GPSSIM
#include "sim_process.h"

namespace nuvrel {
namespace {

// Runs nuvrel-cli with its settings in dir; out gets both output streams.
int runCli(const test::TempDir& dir, const std::string& env, const std::string& args, std::string& out) {
    std::vector<std::string> argv;
    for (std::size_t at = 0; at < args.size();) {
        const std::size_t end = std::min(args.find(' ', at), args.size());
        argv.push_back(args.substr(at, end - at));
        at = end + 1;
    }
    std::vector<std::string> envs{"XDG_CONFIG_HOME=" + (dir / "config").string()};
    if (!env.empty())
        envs.push_back(env);
    const test::ProgramRun r = test::runProgram(NUVREL_CLI, argv, envs);
    out = r.out + r.err;
    return r.status;
}

TEST(CliIdentify, ReportsTheReceiver) {
    test::TempDir dir;
    test::SimProcess sim({"--product-id", "111", "--software-version", "280"});
    ASSERT_TRUE(sim.started());
    std::string out;
    EXPECT_EQ(runCli(dir, "NUVREL_COM2=" + sim.path(), "identify --port 2", out), 0) << out;
    EXPECT_NE(out.find("product ID: 111\n"), std::string::npos) << out;
    EXPECT_NE(out.find("software version: 280\n"), std::string::npos);
    EXPECT_NE(out.find("description: eMap Software Version 2.80\n"), std::string::npos);
    EXPECT_NE(out.find("model: eMap\n"), std::string::npos);
    EXPECT_NE(out.find("waypoint format: D109\n"), std::string::npos);
    EXPECT_NE(out.find("new formats: yes\n"), std::string::npos);
    EXPECT_NE(out.find("protocols: P000 L001 A010 A100 D109"), std::string::npos);
}

TEST(CliIdentify, SilentReceiverAndBadPort) {
    test::TempDir dir;
    test::SimProcess sim({"--silent"});
    std::string out;
    EXPECT_EQ(runCli(dir, "NUVREL_COM1=" + sim.path(), "identify --port 1", out), 1);
    EXPECT_NE(out.find("error 2: GPS doesn't respond"), std::string::npos) << out;
    EXPECT_EQ(runCli(dir, "", "identify --port 9", out), 2);
    EXPECT_EQ(runCli(dir, "", "identify --port x", out), 2);
}

#endif

} // namespace
} // namespace nuvrel

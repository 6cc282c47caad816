// nuvrel-cli download, upload and position against the receiver simulator.
#include "support/test_support.h"

#include <gtest/gtest.h>

#ifdef NUVREL_GPSSIM
#include "sim_process.h"

#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace nuvrel {
namespace {

using test::SimProcess;
using test::TempDir;

using Args = std::vector<std::string>;

// Runs nuvrel-cli; out gets both output streams.
int runCli(const TempDir& dir, const std::string& env, const Args& args, std::string& out) {
    std::vector<std::string> envs{"XDG_CONFIG_HOME=" + (dir / "config").string()};
    std::size_t at = 0;
    while (at < env.size()) { // "A=1 B=2"
        const std::size_t end = env.find(' ', at);
        envs.push_back(env.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? env.size() : end + 1;
    }
    const test::ProgramRun r = test::runProgram(NUVREL_CLI, args, envs);
    out = r.out + r.err;
    return r.status;
}

Args operator+(Args a, const Args& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bool has(const std::string& out, const std::string& text) { return out.find(text) != std::string::npos; }

TEST(CliTransfer, DownloadsAddToOneFileAndUploadFromIt) {
    TempDir dir;
    SimProcess sim({"--product-id", "130"});
    ASSERT_TRUE(sim.started());
    const std::string env = "TZ=Asia/Tokyo NUVREL_COM3=" + sim.path();
    const std::string file = (dir / "flight.nvl").string();
    const Args model{"--port", "3", "--model-id", "130", "--software-version", "300", "--datum", "WGS 84"};
    std::string out;
    ASSERT_EQ(runCli(dir, env, Args{"download", "track", "-o", file} + model, out), 0) << out;
    EXPECT_TRUE(has(out, "track: 18 points, 2 segments\n")) << out;
    ASSERT_EQ(runCli(dir, env, Args{"download", "waypoints", "-o", file} + model, out), 0) << out;
    EXPECT_TRUE(has(out, "waypoints: 5\n")) << out;
    ASSERT_EQ(runCli(dir, env, Args{"download", "routes", "-o", file} + model, out), 0) << out;
    EXPECT_TRUE(has(out, "routes: 2, 5 entries\n")) << out;
    ASSERT_EQ(runCli(dir, "", Args{"info", file}, out), 0) << out;
    EXPECT_TRUE(has(out, "points: 18\n")) << out;
    EXPECT_TRUE(has(out, "time offset: -32400 s\n")) << out; // the track download's zone
    EXPECT_TRUE(has(out, "waypoints: 5\n")) << out;

    // Back to another receiver.
    SimProcess target({"--product-id", "130"});
    const std::string env2 = "NUVREL_COM3=" + target.path();
    ASSERT_EQ(runCli(dir, env2, Args{"upload", "waypoints", file} + model, out), 0) << out;
    EXPECT_TRUE(has(out, "waypoints sent: 5\n")) << out;
    ASSERT_EQ(runCli(dir, env2, Args{"upload", "routes", file} + model, out), 0) << out;
    EXPECT_TRUE(has(out, "routes sent: 2\n")) << out;
    ASSERT_TRUE(target.waitForRecord("xfercmplt command=4"));
    EXPECT_EQ(target.recordLines("wpt ").size(), 5u);
    EXPECT_EQ(target.recordLines("rtehdr").size(), 2u);
    // The waypoints went out as they came in (same datum both ways).
    const auto sent = target.recordLines("wpt ");
    EXPECT_TRUE(has(sent[0], "ident=\"ASAGIRI\" lat=35.385000")) << sent[0]; // no padding added
}

TEST(CliTransfer, PositionAndFailures) {
    TempDir dir;
    SimProcess sim({"--product-id", "130", "--utc", "2001-06-27T00:05:03"});
    const std::string env = "TZ=JST-9 NUVREL_COM1=" + sim.path();
    std::string out;
    ASSERT_EQ(runCli(dir, env, Args{"position", "--count", "2", "--datum", "WGS 84"}, out), 0) << out;
    EXPECT_TRUE(has(out, " 35.37220 138.61650 2001/6/27 9:5:3\n")) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2);

    const std::string file = (dir / "kept.nvl").string();
    ASSERT_EQ(runCli(dir, env, Args{"download", "waypoints", "-o", file, "--model-id", "130"}, out), 0) << out;
    const std::string before = test::readFileBytes(file);
    // No receiver: error 2, the file stays as it was.
    EXPECT_EQ(runCli(dir, "NUVREL_COM1=/nonexistent/tty", Args{"download", "waypoints", "-o", file, "--model-id", "130"}, out),
              1);
    EXPECT_TRUE(has(out, "error 2: GPS doesn't respond")) << out;
    EXPECT_EQ(test::readFileBytes(file), before);
    // The model check's question is answered No unless --yes.
    EXPECT_EQ(runCli(dir, env, Args{"download", "track", "-o", file, "--model-id", "87"}, out), 1);
    EXPECT_TRUE(has(out, "Mismatch GPS Type. Do you wish to continue? -> no")) << out;
    EXPECT_EQ(test::readFileBytes(file), before);

    EXPECT_EQ(runCli(dir, env, Args{"download", "track", "-o", file, "--port", "9"}, out), 2);
    EXPECT_EQ(runCli(dir, env, Args{"download", "track", "-o", file, "--datum", "Nowhere"}, out), 2);
    EXPECT_TRUE(has(out, "unknown datum")) << out;
    EXPECT_EQ(runCli(dir, env, Args{"download", "everything", "-o", file}, out), 2);
    EXPECT_EQ(runCli(dir, env, Args{"upload", "track", file}, out), 2);
    EXPECT_EQ(runCli(dir, env, Args{"download", "track"}, out), 2);
}

// A download that fails or brings nothing costs nothing: the file stays byte
// for byte as it was, a line says so and the status is 1.
TEST(CliTransfer, FailedOrEmptyDownloadsLeaveTheFile) {
    TempDir dir;
    const std::string file = (dir / "flight.nvl").string();
    const Args model{"-o", file, "--model-id", "130"};
    std::string out;
    {
        SimProcess sim({"--product-id", "130"});
        ASSERT_EQ(runCli(dir, "NUVREL_COM1=" + sim.path(), Args{"download", "track"} + model, out), 0) << out;
        ASSERT_EQ(runCli(dir, "NUVREL_COM1=" + sim.path(), Args{"download", "waypoints"} + model, out), 0) << out;
    }
    const std::string before = test::readFileBytes(file);
    std::ofstream(dir / "no-track.txt") << "wpt|A|1|1|0|0|0|0|\n";
    std::ofstream(dir / "no-waypoints.txt") << "trkpt|35|139|1000|0|1\n";
    SimProcess noTrack({"--product-id", "130", "--data-text", (dir / "no-track.txt").string()});
    SimProcess noWaypoints({"--product-id", "130", "--data-text", (dir / "no-waypoints.txt").string()});
    SimProcess stall({"--product-id", "130", "--stall-after", "12"});
    const struct {
        const SimProcess& sim;
        const char* what;
        std::string line;
    } cases[] = {
        {noTrack, "track", "the receiver sent no track points; "},
        {noWaypoints, "waypoints", "the receiver sent no waypoints; "},
        {noWaypoints, "routes", "no routes downloaded; "},
        {stall, "track", "the track download failed; "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(runCli(dir, "NUVREL_COM1=" + c.sim.path(), Args{"download", c.what} + model, out), 1) << out;
        EXPECT_TRUE(has(out, c.line + file + " unchanged\n")) << out;
        EXPECT_EQ(test::readFileBytes(file), before) << c.what;
    }
}

// Ctrl-C or SIGTERM in the middle of a download: the receiver is told to
// abort, the file stays byte for byte as it was, and the program ends by
// that signal within a second (the shell sees 130 or 143).
TEST(CliTransfer, SignalStopsTheDownload) {
    TempDir dir;
    const std::string file = (dir / "flight.nvl").string();
    std::string out;
    {
        SimProcess quick({"--product-id", "130"});
        ASSERT_EQ(runCli(dir, "NUVREL_COM1=" + quick.path(), Args{"download", "track", "-o", file, "--model-id", "130"},
                         out),
                  0)
            << out;
    }
    const std::string before = test::readFileBytes(file);
    SimProcess sim({"--product-id", "130", "--track-points", "2000", "--pace"});
    ASSERT_TRUE(sim.started());
    const std::string config = "XDG_CONFIG_HOME=" + (dir / "config").string();
    const std::string com = "NUVREL_COM1=" + sim.path();
    for (const int sig : {SIGINT, SIGTERM}) {
        const std::size_t started = sim.recordLines("send command=6").size();
        std::vector<std::string> args{NUVREL_CLI, "download", "track", "-o", file, "--model-id", "130"};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> envs{config, com, "LC_ALL=C"};
        std::vector<char*> envp;
        for (auto& e : envs)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        ASSERT_EQ(posix_spawn(&pid, NUVREL_CLI, &quiet, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&quiet);
        // Well into the transfer: the points are coming.
        for (int i = 0; i < 100 && sim.recordLines("send command=6").size() == started; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto t0 = std::chrono::steady_clock::now();
        ::kill(pid, sig);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig << " status " << status;
        EXPECT_LT(ms, 1000) << sig;
        EXPECT_TRUE(sim.waitForRecord("abort")) << sim.record();
        EXPECT_EQ(test::readFileBytes(file), before) << sig;
    }
    EXPECT_EQ(sim.recordLines("abort").size(), 2u) << sim.record();
}

TEST(CliTransfer, StoredPortAndRouteLimit) {
    TempDir dir;
    std::string out;
    // A stored port outside 1 to 8 (no range check on load): no response.
    std::filesystem::create_directories(dir / "config/Ostrel");
    std::ofstream(dir / "config/Ostrel/NuvRel.conf") << "[General]\nCommPort=12\n";
    for (const Args& args : {Args{"download", "track", "-o", (dir / "x.nvl").string()}, Args{"identify"},
                             Args{"position"}}) {
        EXPECT_EQ(runCli(dir, "", args, out), 1) << args[0];
        EXPECT_TRUE(has(out, "error 2: GPS doesn't respond\n")) << out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "x.nvl"));

    // 23 routes with entries: 20 go out, 3 are left out and said so.
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    IFTGarminData data{DataContext{prompts, zone}};
    CRouteField routes(23);
    for (std::uint32_t r = 0; r < 23; ++r)
        routes.AddRouteEntry(r, "P" + std::to_string(r), 35, 139, "", 0, 0, 0, 0);
    const std::string file = (dir / "routes.nvl").string();
    ASSERT_TRUE(data.save(file, &routes));
    SimProcess sim({"--product-id", "130"});
    EXPECT_EQ(runCli(dir, "NUVREL_COM1=" + sim.path(), Args{"upload", "routes", file, "--port", "1", "--model-id", "130"},
                     out),
              0)
        << out;
    EXPECT_TRUE(has(out, "routes sent: 20\n")) << out;
    EXPECT_TRUE(has(out, "routes left out: 3 (the receiver takes routes 0 to 19)\n")) << out;
}

} // namespace
} // namespace nuvrel
#endif

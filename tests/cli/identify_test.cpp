// nuvrel-cli identify against the receiver simulator.
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace nuvrel {
namespace {

#ifdef NUVREL_GPSSIM

struct Sim {
    explicit Sim(const test::TempDir& dir, std::vector<std::string> args) {
        const std::string pathFile = (dir / "path").string();
        args.insert(args.begin(), {NUVREL_GPSSIM, "--timeout", "30", "--path-file", pathFile});
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn(&pid, NUVREL_GPSSIM, &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        for (int i = 0; i < 500 && path.empty(); ++i) {
            std::ifstream in(pathFile);
            if (!(in && std::getline(in, path)))
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~Sim() {
        ::kill(pid, SIGTERM);
        int status;
        ::waitpid(pid, &status, 0);
    }
    pid_t pid = -1;
    std::string path;
};

int runCli(const test::TempDir& dir, const std::string& env, const std::string& args, std::string& out) {
    const auto outFile = dir / "out.txt";
    const std::string cmd = env + " XDG_CONFIG_HOME=" + (dir / "config").string() + " " NUVREL_CLI " " + args +
                            " > " + outFile.string() + " 2>&1";
    const int status = std::system(cmd.c_str());
    out = test::readFileBytes(outFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CliIdentify, ReportsTheReceiver) {
    test::TempDir dir;
    Sim sim(dir, {"--product-id", "111", "--software-version", "280"});
    ASSERT_FALSE(sim.path.empty());
    std::string out;
    EXPECT_EQ(runCli(dir, "NUVREL_COM2=" + sim.path, "identify --port 2", out), 0) << out;
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
    Sim sim(dir, {"--silent"});
    std::string out;
    EXPECT_EQ(runCli(dir, "NUVREL_COM1=" + sim.path, "identify --port 1", out), 1);
    EXPECT_NE(out.find("error 2: GPS doesn't respond"), std::string::npos) << out;
    EXPECT_EQ(runCli(dir, "", "identify --port 9", out), 2);
    EXPECT_EQ(runCli(dir, "", "identify --port x", out), 2);
}

#endif

} // namespace
} // namespace nuvrel

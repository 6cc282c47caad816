#include "sim_process.h"

#include "core/gps/posix_serial_device.h"

#include <cerrno>
#include <fcntl.h>
#include <csignal>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace nuvrel::test {

SimProcess::SimProcess(std::vector<std::string> options) {
    const std::string pathFile = (dir_ / "path").string();
    std::vector<std::string> args{NUVREL_GPSSIM, "--path-file", pathFile, "--record", (dir_ / "record.txt").string(),
                                  "--timeout", "60"};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, NUVREL_GPSSIM, &actions, nullptr, argv.data(), environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (pid_ < 0)
        return;
    for (int i = 0; i < 500 && path_.empty(); ++i) { // up to 5 s
        std::ifstream in(pathFile);
        std::string line;
        if (in && std::getline(in, line) && !line.empty()) {
            path_ = line;
        } else {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) { // it gave up at the start
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

SimProcess::~SimProcess() { stop(); }

int SimProcess::stop() {
    if (pid_ < 0)
        return -1;
    ::kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 300; ++i) { // up to 3 s
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return -1;
}

std::string SimProcess::record() const {
    std::ifstream in(dir_ / "record.txt");
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> SimProcess::recordLines(const std::string& prefix) const {
    std::vector<std::string> out;
    std::istringstream in(record());
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, prefix.size(), prefix) == 0)
            out.push_back(line);
    return out;
}

bool SimProcess::waitForRecord(const std::string& prefix, int timeoutMs, std::size_t count) const {
    for (int waited = 0;; waited += 10) {
        if (recordLines(prefix).size() >= count)
            return true;
        if (waited >= timeoutMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

SerialPorts SimProcess::ports(std::map<std::string, std::string> env) const {
    SerialPorts p = SerialPorts::System(nullptr);
    env["NUVREL_COM1"] = path_;
    p.environment = environmentOf(std::move(env));
    return p;
}

} // namespace nuvrel::test

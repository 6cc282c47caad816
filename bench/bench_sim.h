// Shared by the benchmarks that talk to the receiver simulator: starting it on
// its own pseudo-terminal, the serial ports that lead to it, and CPU time.
#pragma once

#include "bench_cpu.h"
#include "core/gps/serial_ports.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

#ifndef NUVREL_GPSSIM
#define NUVREL_GPSSIM "nuvrel-gpssim"
#endif

namespace bench {

class Sim {
public:
    explicit Sim(std::vector<std::string> args, int timeoutSeconds = 120) {
        char dirTemplate[] = "/tmp/nuvrel-bench-XXXXXX";
        dir_ = mkdtemp(dirTemplate) ? dirTemplate : "/tmp";
        const std::string pathFile = dir_ + "/path";
        args.insert(args.begin(), {NUVREL_GPSSIM, "--timeout", std::to_string(timeoutSeconds), "--path-file", pathFile});
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, NUVREL_GPSSIM, &fa, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        for (int i = 0; pid_ > 0 && i < 500 && path.empty(); ++i) {
            std::ifstream in(pathFile);
            if (!(in && std::getline(in, path)))
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::unlink(pathFile.c_str());
        ::rmdir(dir_.c_str());
    }
    ~Sim() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status;
            ::waitpid(pid_, &status, 0);
        }
    }
    nuvrel::SerialPorts ports() const {
        auto p = nuvrel::SerialPorts::System(nullptr);
        const std::string device = path;
        p.environment = [device](const std::string& name) -> std::optional<std::string> {
            if (name == "NUVREL_COM1")
                return device;
            return std::nullopt;
        };
        return p;
    }
    std::string path;

private:
    std::string dir_;
    pid_t pid_ = -1;
};

} // namespace bench

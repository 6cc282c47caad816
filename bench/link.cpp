// The serial link against the receiver simulator on a pseudo-terminal: the
// round trip of a product request, and the CPU time the host spends while it
// waits for a receiver that does not answer.
#include "core/gps/ift_rs232c.h"
#include "core/gps/product_request.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

#ifndef NUVREL_GPSSIM
#define NUVREL_GPSSIM "nuvrel-gpssim"
#endif

class Sim {
public:
    explicit Sim(std::vector<std::string> args) {
        char dirTemplate[] = "/tmp/nuvrel-bench-XXXXXX";
        dir_ = mkdtemp(dirTemplate) ? dirTemplate : "/tmp";
        const std::string pathFile = dir_ + "/path";
        args.insert(args.begin(), {NUVREL_GPSSIM, "--timeout", "120", "--path-file", pathFile});
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

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Open, request, read product data and protocols, close: a new-format unit.
void BM_ProductRequestRoundTrip(benchmark::State& state) {
    Sim sim({"--product-id", "169"});
    if (sim.path.empty()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    const auto ports = sim.ports();
    for (auto _ : state) {
        const auto p = nuvrel::RequestProductData(ports, 1);
        if (!p.ok) {
            state.SkipWithError("no answer");
            break;
        }
        benchmark::DoNotOptimize(p.productId);
    }
}
BENCHMARK(BM_ProductRequestRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

// One 2-second byte time-out on a silent line; reports CPU milliseconds per
// second of waiting.
void BM_SilentWaitCpu(benchmark::State& state) {
    Sim sim({"--silent"});
    nuvrel::IFTRS232C port(sim.ports());
    if (sim.path.empty() || !port.OpenPort(1)) {
        state.SkipWithError("simulator did not start");
        return;
    }
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double c0 = cpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(port.ReadByte());
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        cpu += cpuSeconds() - c0;
    }
    state.counters["cpu_ms_per_s_waiting"] = wall > 0 ? cpu * 1000 / wall : 0;
}
BENCHMARK(BM_SilentWaitCpu)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

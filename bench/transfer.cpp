// The track download against the receiver simulator on a pseudo-terminal:
// a 10,000-point D301 log at the real line speed (wall time beside the time
// the exchanged bytes take on a 9600-baud line, and the host's CPU time),
// and the same download without pacing (points per second); and a 300-point
// paced download by us (model check and transfer, as the commands run them)
// beside GPSBabel's download of the same log from the same simulator.
#include "core/data/ift_garmin_data.h"
#include "core/gps/model_check.h"
#include "core/gps/posix_serial_device.h"
#include "core/gps/serial_ports.h"
#include "core/gps/transfers.h"

#include "bench_sim.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <spawn.h>
#include <sys/wait.h>
#include <string>
#include <vector>

namespace {

using bench::cpuSeconds;
using bench::Sim;

constexpr int kPoints = 10000;

// Counts the bytes that cross the line in each direction.
struct LineCount {
    long read = 0, written = 0;
};

class CountingDevice final : public nuvrel::SerialDevice {
public:
    explicit CountingDevice(LineCount& count) : count_(count) {}
    bool open(const std::string& path) override { return inner_.open(path); }
    void close() override { inner_.close(); }
    bool isOpen() const override { return inner_.isOpen(); }
    int bytesWaiting() override { return inner_.bytesWaiting(); }
    int readByte(int timeoutMs) override {
        const int b = inner_.readByte(timeoutMs);
        if (b >= 0)
            ++count_.read;
        return b;
    }
    long write(const std::uint8_t* bytes, std::size_t n) override {
        const long w = inner_.write(bytes, n);
        if (w > 0)
            count_.written += w;
        return w;
    }

private:
    nuvrel::PosixSerialDevice inner_;
    LineCount& count_;
};

// One download of the simulator's log; false when it did not complete. With
// `check`, the model check first, as the download commands do.
bool download(const std::string& device, LineCount& count, std::uint32_t& points, bool check = false) {
    auto ports = nuvrel::SerialPorts::System(nullptr);
    ports.environment = [device](const std::string& name) -> std::optional<std::string> {
        if (name == "NUVREL_COM1")
            return device;
        return std::nullopt;
    };
    ports.makeDevice = [&count] { return std::make_unique<CountingDevice>(count); };
    nuvrel::TransferOptions options;
    options.modelId = 130;
    options.datumName = "Tokyo";
    if (check && nuvrel::CheckModel(ports, options).check != nuvrel::ModelCheck::Matches)
        return false;
    const nuvrel::TrackDownload received = nuvrel::ReceiveTrack(ports, options, nuvrel::TransferControl{});
    points = std::uint32_t(received.points.size());
    return received.status == nuvrel::LinkStatus::Ok;
}

void BM_PacedTrackDownload(benchmark::State& state) {
    Sim sim({"--product-id", "130", "--track-points", std::to_string(kPoints), "--pace"}, 900);
    if (sim.path.empty()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    for (auto _ : state) {
        LineCount count;
        std::uint32_t points = 0;
        const double c0 = cpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = download(sim.path, count, points);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double cpu = cpuSeconds() - c0;
        if (!ok || points != kPoints) {
            state.SkipWithError("download failed");
            break;
        }
        const double line = double(count.read + count.written) * 10.0 / 9600.0;
        const double receiverLine = double(count.read) * 10.0 / 9600.0;
        state.counters["points"] = points;
        state.counters["wall_s"] = wall;
        state.counters["line_s"] = line;
        state.counters["receiver_line_s"] = receiverLine;
        state.counters["wall_over_line_pct"] = (wall / line - 1.0) * 100.0;
        state.counters["wall_over_receiver_line_pct"] = (wall / receiverLine - 1.0) * 100.0;
        state.counters["cpu_s"] = cpu;
        state.counters["cpu_pct_of_wall"] = cpu / wall * 100.0;
    }
}
BENCHMARK(BM_PacedTrackDownload)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_UnpacedTrackDownload(benchmark::State& state) {
    Sim sim({"--product-id", "130", "--track-points", std::to_string(kPoints)}, 900);
    if (sim.path.empty()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    double wall = 0, cpu = 0;
    std::uint64_t total = 0;
    for (auto _ : state) {
        LineCount count;
        std::uint32_t points = 0;
        const double c0 = cpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        if (!download(sim.path, count, points) || points != kPoints) {
            state.SkipWithError("download failed");
            break;
        }
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        cpu += cpuSeconds() - c0;
        total += points;
    }
    state.counters["points_per_s"] = wall > 0 ? double(total) / wall : 0;
    state.counters["host_cpu_pct_of_wall"] = wall > 0 ? cpu / wall * 100 : 0;
}
BENCHMARK(BM_UnpacedTrackDownload)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Wall seconds of "gpsbabel -t -i garmin -f DEVICE -o gpx -F OUT", or a
// negative figure when it is missing or fails.
double gpsbabelDownload(const std::string& device, const std::string& out) {
    const char* argv[] = {"gpsbabel", "-t", "-i", "garmin", "-f", device.c_str(), "-o", "gpx", "-F", out.c_str(),
                          nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, "/usr/bin/gpsbabel", &fa, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (spawned != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? wall : -1;
}

// 300 points at 9600 baud, three rounds each, alternating, from one
// simulator: the best wall time over the time the receiver's bytes take on
// the line. The host's turn-around per packet is what separates the two.
void BM_PacedDownloadBesideGPSBabel(benchmark::State& state) {
    constexpr int kShortLog = 300;
    Sim sim({"--product-id", "130", "--track-points", std::to_string(kShortLog), "--pace"}, 900);
    if (sim.path.empty()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    char dirTemplate[] = "/tmp/nuvrel-bench-XXXXXX";
    const std::string dir = mkdtemp(dirTemplate) ? dirTemplate : "/tmp";
    const std::string out = dir + "/gpsbabel.gpx";
    double ours = 1e9, theirs = 1e9, receiverLine = 0;
    for (auto _ : state) {
        for (int round = 0; round < 3; ++round) {
            LineCount count;
            std::uint32_t points = 0;
            const auto t0 = std::chrono::steady_clock::now();
            if (!download(sim.path, count, points, true) || points != kShortLog) {
                state.SkipWithError("download failed");
                break;
            }
            ours = std::min(ours, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
            receiverLine = double(count.read) * 10.0 / 9600.0;
            const double wall = gpsbabelDownload(sim.path, out);
            if (wall > 0)
                theirs = std::min(theirs, wall);
        }
    }
    ::unlink(out.c_str());
    ::rmdir(dir.c_str());
    state.counters["ours_over_receiver_line"] = ours / receiverLine;
    std::printf("300-point paced download, best of 3: receiver's bytes take %.3f s on the line\n", receiverLine);
    std::printf("  ours:     %.3f s wall, %.3f of the line time\n", ours, ours / receiverLine);
    if (theirs < 1e9) {
        state.counters["gpsbabel_over_receiver_line"] = theirs / receiverLine;
        std::printf("  GPSBabel: %.3f s wall (its process, start included), %.3f of the line time\n", theirs,
                    theirs / receiverLine);
    } else {
        std::printf("  GPSBabel: not available or failed\n");
    }
}
BENCHMARK(BM_PacedDownloadBesideGPSBabel)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

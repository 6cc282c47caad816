// The track download against the receiver simulator on a pseudo-terminal:
// a 10,000-point D301 log at the real line speed (wall time beside the time
// the exchanged bytes take on a 9600-baud line, and the host's CPU time),
// and the same download without pacing (points per second).
#include "core/data/ift_garmin_data.h"
#include "core/gps/posix_serial_device.h"
#include "core/gps/serial_ports.h"
#include "core/gps/transfers.h"

#include "bench_sim.h"

#include <benchmark/benchmark.h>

#include <map>
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

// One download of the simulator's log; false when it did not complete.
bool download(const std::string& device, LineCount& count, std::uint32_t& points) {
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

} // namespace

BENCHMARK_MAIN();

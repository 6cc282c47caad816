// The serial link against the receiver simulator on a pseudo-terminal: the
// round trip of a product request, and the CPU time the host spends while it
// waits for a receiver that does not answer.
#include "core/gps/ift_rs232c.h"
#include "core/gps/product_request.h"

#include "bench_sim.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using bench::cpuSeconds;
using bench::Sim;

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

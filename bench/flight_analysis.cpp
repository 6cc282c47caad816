// The flight analysis and the track summary of a 1,000,000-point track log:
// 100 generated flights of 10,000 points each, one segment per flight.
#include "core/analysis/flight_analysis.h"
#include "core/analysis/track_listing.h"
#include "core/data/ift_garmin_track.h"
#include "../tests/support/flight_generator.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace nuvrel;

namespace {

const IFTGarminTrack& millionPoints() {
    static const std::unique_ptr<IFTGarminTrack> track = [] {
        std::vector<TrackPoint> points;
        points.reserve(1'000'000);
        for (int f = 0; f < 100; ++f) {
            test::FlightPlan plan;
            plan.segment = static_cast<std::int16_t>(f + 1);
            plan.startTime += static_cast<std::uint32_t>(f) * 86400;
            plan.windFromDeg = f * 37 % 360;
            plan.walkBefore = 20;
            plan.walkAfter = 20;
            plan.cycles = 85;
            plan.glidePoints = 20;
            plan.circlePoints = 96; // 20 + 1 + 85 * 116 + 20 = 9901 points
            auto flight = test::generateFlight(plan);
            flight.resize(10'000, flight.back());
            points.insert(points.end(), flight.begin(), flight.end());
        }
        return std::make_unique<IFTGarminTrack>(std::move(points));
    }();
    return *track;
}

// Take-off and landing over the whole log, then both wind estimates.
void BM_FlightAnalysisWholeLog(benchmark::State& state) {
    const IFTGarminTrack& track = millionPoints();
    for (auto _ : state) {
        // The first flight ends after 10,000 points: analyse from the first
        // take-off to the last point, as a whole-log flight would span it.
        const FlightRange r{detectFlight(track, -1, kFlightThresholdKmh).takeOff, track.count() - 1};
        benchmark::DoNotOptimize(analyseFlight(track, r));
    }
    state.SetItemsProcessed(state.iterations() * track.count());
}
BENCHMARK(BM_FlightAnalysisWholeLog)->Unit(benchmark::kMillisecond);

// The search for take-off and landing alone, over a log without a flight
// (every leg is walked).
void BM_DetectFlightNoFlight(benchmark::State& state) {
    std::vector<TrackPoint> slow(millionPoints().points().begin(), millionPoints().points().end());
    for (std::size_t i = 0; i < slow.size(); ++i)
        slow[i].time = static_cast<std::uint32_t>(i * 3600);
    const IFTGarminTrack track(std::move(slow));
    for (auto _ : state)
        benchmark::DoNotOptimize(detectFlight(track, -1, kFlightThresholdKmh));
    state.SetItemsProcessed(state.iterations() * track.count());
}
BENCHMARK(BM_DetectFlightNoFlight)->Unit(benchmark::kMillisecond);

// The rows of the track summary: 100 segments in one pass.
void BM_TrackSummary(benchmark::State& state) {
    const IFTGarminTrack& track = millionPoints();
    for (auto _ : state)
        benchmark::DoNotOptimize(trackListRows(track));
    state.SetItemsProcessed(state.iterations() * track.count());
}
BENCHMARK(BM_TrackSummary)->Unit(benchmark::kMillisecond);

// The clipboard text of one 10,000-point segment's detail rows.
void BM_TrackDetailCopy(benchmark::State& state) {
    const IFTGarminTrack& track = millionPoints();
    for (auto _ : state)
        benchmark::DoNotOptimize(trackDetailCopyText(trackDetailRows(track, 50, -32400, false)));
    state.SetItemsProcessed(state.iterations() * 10'000);
}
BENCHMARK(BM_TrackDetailCopy)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

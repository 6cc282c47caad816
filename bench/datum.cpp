// Datum conversions per second.
#include "core/geo/map_datum.h"

#include <benchmark/benchmark.h>

namespace {

// Conversions of points 0.1 m apart by one of MapDatum's conversions.
using Conversion = void (nuvrel::MapDatum::*)(double, double, double, double&, double&, double&) const;
template <Conversion Convert>
void convertPoints(benchmark::State& state) {
    const nuvrel::MapDatum datum("Tokyo");
    double lat = 35.0, lon = 139.0, h = 100.0;
    for (auto _ : state) {
        double oLat, oLon, oH;
        (datum.*Convert)(lat, lon, h, oLat, oLon, oH);
        benchmark::DoNotOptimize(oLat);
        benchmark::DoNotOptimize(oLon);
        benchmark::DoNotOptimize(oH);
        lat += 1e-6;
        lon += 1e-6;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ToLocal(benchmark::State& state) { convertPoints<&nuvrel::MapDatum::toLocal>(state); }
BENCHMARK(BM_ToLocal);

void BM_ToWgs84(benchmark::State& state) { convertPoints<&nuvrel::MapDatum::toWgs84>(state); }
BENCHMARK(BM_ToWgs84);

// Creating a datum parses the whole built-in table.
void BM_CreateMapDatum(benchmark::State& state) {
    for (auto _ : state) {
        nuvrel::MapDatum datum("Zanderij");
        benchmark::DoNotOptimize(datum.index());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CreateMapDatum);

void BM_SphericalDistance(benchmark::State& state) {
    double lat = 35.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(nuvrel::MapDatum::SphericalDistance(lat, 135.0, 36.0, 135.5));
        lat += 1e-7;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SphericalDistance);

} // namespace

BENCHMARK_MAIN();

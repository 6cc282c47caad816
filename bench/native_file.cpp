// Save and load of a large data set through the native data file, from and to
// the page cache: 1,000,000 track points, 100,000 waypoints and 100 routes of
// 100 entries (about 45 MB). Prints bytes per second for each direction.
// BM_Save replaces the file of the previous iteration, as saving over an
// existing file does; a good part of its time is the kernel dropping the old
// file at the rename. sync:1 adds the flush to the disk.
#include "core/data/native_file.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <string>
#include <unistd.h>

namespace {

using namespace nuvrel;

class QuietPrompts final : public UserPrompts {
public:
    void showError(int n, const std::string& m) override { std::fprintf(stderr, "error %d: %s\n", n, m.c_str()); }
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string& t, const std::string& m) override {
        std::fprintf(stderr, "%s: %s\n", t.c_str(), m.c_str());
    }
    void beep() override {}
};

class NoZone final : public TimeZoneSource {
public:
    ZoneInfo read() override { return {}; }
};

struct Fixture {
    QuietPrompts prompts;
    NoZone zone;
    IFTGarminData data{DataContext{prompts, zone}};
    CRouteField routes{0};
    std::string path;

    Fixture() {
        // Large blocks always come from and go back to the system, so the
        // resident size shows what a load really holds.
        mallopt(M_MMAP_THRESHOLD, 256 * 1024);
        std::vector<TrackPoint> pts(1000000);
        for (std::size_t i = 0; i < pts.size(); ++i) {
            pts[i].latitude = 35 + static_cast<double>(i) * 1e-6;
            pts[i].longitude = 139 + static_cast<double>(i) * 2e-6;
            pts[i].time = static_cast<std::uint32_t>(900000000 + i);
            pts[i].segment = static_cast<std::int16_t>(1 + i / 10000);
            pts[i].altitude = static_cast<float>(i % 3000);
        }
        data.setTrack(std::make_unique<IFTGarminTrack>(std::move(pts)));
        data.setWaypoints(std::make_unique<IFTGarminWaypoint>());
        for (int i = 0; i < 100000; ++i)
            data.waypoints()->append("WPT" + std::to_string(i), 35 + i * 1e-5, 139 + i * 1e-5, "comment", 0);
        for (std::uint32_t r = 0; r < 100; ++r) {
            routes.AddRoute();
            for (int e = 0; e < 100; ++e)
                routes.AddRouteEntry(r, "E" + std::to_string(e), 35, 139, "entry", 18, 0, 0, 0);
        }
        const char* tmp = std::getenv("TMPDIR");
        path = std::string(tmp && *tmp ? tmp : "/tmp") + "/nuvrel-bench-" + std::to_string(::getpid()) + ".nvl";
    }
    ~Fixture() { std::remove(path.c_str()); }
    std::int64_t bytes() const { return static_cast<std::int64_t>(NativeFile::fileSize(data, &routes)); }
};

double residentMB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
}

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_Save(benchmark::State& state) {
    Fixture& f = fixture();
    const bool sync = state.range(0) != 0;
    for (auto _ : state)
        if (!NativeFile::save(f.path, f.data, &f.routes, sync))
            state.SkipWithError("save failed");
    state.SetBytesProcessed(state.iterations() * f.bytes());
}
BENCHMARK(BM_Save)->Arg(0)->ArgName("sync")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Arg(1)->ArgName("sync")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Saving under a new name: no old file for the kernel to drop on the rename.
void BM_SaveNewFile(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(f.path.c_str());
        state.ResumeTiming();
        if (!NativeFile::save(f.path, f.data, &f.routes, false))
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * f.bytes());
}
BENCHMARK(BM_SaveNewFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Load(benchmark::State& state) {
    Fixture& f = fixture();
    if (!NativeFile::save(f.path, f.data, &f.routes, false)) {
        state.SkipWithError("save failed");
        return;
    }
    QuietPrompts prompts;
    NoZone zone;
    double grown = 0;
    for (auto _ : state) {
        const double before = residentMB();
        IFTGarminData data{DataContext{prompts, zone}};
        CRouteField routes(0);
        const auto r = NativeFile::load(f.path, data, routes);
        if (!r.ok || data.track()->count() != 1000000)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(data.track()->points().data());
        grown = std::max(grown, residentMB() - before);
    }
    state.SetBytesProcessed(state.iterations() * f.bytes());
    state.counters["file_MB"] = static_cast<double>(f.bytes()) / 1e6;
    // What a load adds to the resident size while its data is held: the
    // data itself and little else (no copy of the whole file).
    state.counters["resident_growth_MB"] = grown;
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

// Interchange formats: import speed of large NMEA, POT (and plain-text) track
// files beside a plain line-feed count with memchr over the same file, and
// export speed of a 1,000,000-point track. Files are made once in a temporary
// folder (NUVREL_BENCH_MB sets every size; by default 200 MB of NMEA and
// 100 MB of POT and of plain text).
#include "core/formats/format_read.h"
#include "core/formats/format_registry.h"
#include "core/formats/nmea_format.h"
#include "core/formats/pcx5_format.h"
#include "core/formats/plain_text_format.h"
#include "core/formats/pro_atlas_format.h"
#include "core/formats/pot_format.h"
#include "core/formats/text_lines.h"

#include "bench_cpu.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace nuvrel;

namespace {

std::filesystem::path folder() {
    static const std::filesystem::path dir = [] {
        char tmpl[] = "/tmp/nuvrel-bench-XXXXXX";
        const char* made = mkdtemp(tmpl);
        return std::filesystem::path(made ? made : "/tmp");
    }();
    return dir;
}

std::size_t megabytes(std::size_t fallback) {
    const char* v = std::getenv("NUVREL_BENCH_MB");
    return v ? static_cast<std::size_t>(std::atol(v)) : fallback;
}

// Writes lines from make(i) until the file reaches size bytes.
template <typename Make>
std::string makeFile(const std::string& name, std::size_t size, Make make) {
    const std::string path = (folder() / name).string();
    if (std::filesystem::exists(path))
        return path;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::string block;
    std::size_t written = 0;
    for (long i = 0; written < size; ++i) {
        make(i, block);
        if (block.size() > (1 << 20)) {
            std::fwrite(block.data(), 1, block.size(), f);
            written += block.size();
            block.clear();
        }
    }
    std::fwrite(block.data(), 1, block.size(), f);
    std::fclose(f);
    return path;
}

std::string nmeaFile() {
    return makeFile("log.nme", megabytes(200) << 20, [](long i, std::string& out) {
        char buf[512];
        const int s = static_cast<int>(i % 86400);
        const double lat = 4807.038 + (i % 1000) * 0.001;
        const double lon = 1131.000 + (i % 777) * 0.001;
        std::snprintf(buf, sizeof buf,
                      "$GPRMC,%02d%02d%02d,A,%.3f,N,%09.3f,E,022.4,084.4,230394,003.1,W*6A\r\n"
                      "$GPGGA,%02d%02d%02d,%.3f,N,%09.3f,E,1,08,0.9,%.1f,M,46.9,M,,*47\r\n"
                      "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n"
                      "$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75\r\n"
                      "$GPGSV,2,2,08,15,40,083,46,16,17,308,41,17,07,344,39,18,22,228,45*75\r\n",
                      s / 3600, s / 60 % 60, s % 60, lat, lon, s / 3600, s / 60 % 60, s % 60, lat, lon,
                      500 + (i % 300) * 0.1);
        out += buf;
    });
}

std::string potFile() {
    return makeFile("track.pot", megabytes(100) << 20, [](long i, std::string& out) {
        char buf[256];
        const int s = static_cast<int>(i % 86400);
        std::snprintf(buf, sizeof buf,
                      "ORD=POI/tex=/ido=035'%02d'%02d'%1d/kei=139'%02d'%02d'%1d/altitude=%05d/pdate=%02d-MAR-01/"
                      "ptime=%02d:%02d:%02d/col=14/lev=8/adr=%ld\r\n",
                      static_cast<int>(i % 60), static_cast<int>(i / 60 % 60), static_cast<int>(i % 10),
                      static_cast<int>(i / 7 % 60), static_cast<int>(i / 3 % 60), static_cast<int>(i / 11 % 10),
                      static_cast<int>(i % 3000), static_cast<int>(1 + i / 86400 % 28), s / 3600, s / 60 % 60, s % 60,
                      1 + i / 100000);
        out += buf;
    });
}

std::string textFile() {
    return makeFile("track.txt", megabytes(100) << 20, [](long i, std::string& out) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "%10.6f,%10.6f,%7.2f,%ld,%ld\r\n", 35.0 + static_cast<double>(i % 100000) * 1e-6,
                      139.0 + static_cast<double>(i % 77777) * 1e-6, static_cast<double>(i % 3000) + 0.25,
                      1 + i / 100000, 983761200 + i);
        out += buf;
    });
}

using bench::cpuSeconds;

// The bytes and CPU seconds of every pass of each kind, for the summary.
struct Total {
    double bytes = 0;
    double seconds = 0;
    double rate() const { return seconds > 0 ? bytes / seconds / 1e6 : 0; }
};
std::map<std::string, Total> g_totals;
void noteRate(const std::string& name, double bytes, double seconds) {
    g_totals[name].bytes += bytes;
    g_totals[name].seconds += seconds;
}

// The reference: read the file in blocks and count its line feeds.
void countLineFeeds(benchmark::State& state, const std::string& path, const std::string& name) {
    std::vector<char> block(1 << 20);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const double start = cpuSeconds();
        const int fd = ::open(path.c_str(), O_RDONLY);
        std::size_t lines = 0;
        bytes = 0;
        for (;;) {
            const ssize_t n = ::read(fd, block.data(), block.size());
            if (n <= 0)
                break;
            bytes += static_cast<std::size_t>(n);
            const char* p = block.data();
            const char* end = p + n;
            while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
                ++lines;
                ++p;
            }
        }
        ::close(fd);
        benchmark::DoNotOptimize(lines);
        noteRate(name, static_cast<double>(bytes), cpuSeconds() - start);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
}

// The import as the program runs it: the file read and parsed into a track.
// Points of the last import of each kind.
std::map<std::string, std::size_t> g_points;

void importTrack(benchmark::State& state, const std::string& path, int kind, const std::string& name,
                 std::int32_t zoneOffset = 0) {
    const std::size_t bytes = std::filesystem::file_size(path);
    ImportOptions options;
    options.zoneOffset = zoneOffset;
    std::size_t points = 0;
    for (auto _ : state) {
        const double start = cpuSeconds();
        TrackRead read = readTrackFile(kind, path, options);
        if (read.problem != ReadProblem::None) {
            state.SkipWithError("the import failed");
            return;
        }
        points = read.points.size();
        benchmark::DoNotOptimize(read.points.data());
        read = {};
        noteRate(name, static_cast<double>(bytes), cpuSeconds() - start);
    }
    g_points[name.substr(0, name.find(' '))] = points;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
    state.counters["points/s"] =
        benchmark::Counter(static_cast<double>(points) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_NmeaLineFeeds(benchmark::State& state) { countLineFeeds(state, nmeaFile(), "nmea memchr"); }
// A file of one endless line (1 GB of zeros without a line feed, sparse, so
// made at once): refused as an NMEA log, read in bounded memory. Registered
// first, so that the process's peak memory is this import's.
void BM_NmeaImportWithoutLineFeed(benchmark::State& state) {
    const std::string path = (folder() / "no-line-feed.nme").string();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(megabytes(1024)) << 20) != 0) {
        state.SkipWithError("cannot make the file");
        return;
    }
    ::close(fd);
    for (auto _ : state) {
        const TrackRead read = readTrackFile(kTrackFileNmea, path, ImportOptions{});
        benchmark::DoNotOptimize(read.points.data());
    }
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    std::filesystem::remove(path);
}
BENCHMARK(BM_NmeaImportWithoutLineFeed)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_NmeaImport(benchmark::State& state) { importTrack(state, nmeaFile(), kTrackFileNmea, "nmea import"); }
void BM_PotLineFeeds(benchmark::State& state) { countLineFeeds(state, potFile(), "pot memchr"); }
void BM_PotImport(benchmark::State& state) { importTrack(state, potFile(), kTrackFilePot, "pot import"); }
void BM_TextLineFeeds(benchmark::State& state) { countLineFeeds(state, textFile(), "text memchr"); }
void BM_TextImport(benchmark::State& state) {
    importTrack(state, textFile(), kTrackFileText, "text import", -32400);
}

// What an import cannot do without: storing its points in fresh memory
// (as many as the import of that file gave), with nothing read or parsed.
void storePointsOnly(benchmark::State& state, const std::string& kind, const std::string& path) {
    const std::size_t n = g_points.count(kind) ? g_points[kind] : 1000000;
    const double bytes = static_cast<double>(std::filesystem::file_size(path));
    for (auto _ : state) {
        const double start = cpuSeconds();
        std::vector<TrackPoint> points;
        points.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            TrackPoint p{};
            p.latitude = static_cast<double>(i);
            points.push_back(p);
        }
        benchmark::DoNotOptimize(points.data());
        points = {};
        noteRate(kind + " store", bytes, cpuSeconds() - start);
    }
    state.counters["points"] = static_cast<double>(n);
}
void BM_PotStorePointsOnly(benchmark::State& state) { storePointsOnly(state, "pot", potFile()); }
void BM_TextStorePointsOnly(benchmark::State& state) { storePointsOnly(state, "text", textFile()); }

std::vector<TrackPoint> bigTrack() {
    std::vector<TrackPoint> points(1000000);
    for (std::size_t i = 0; i < points.size(); ++i) {
        TrackPoint& p = points[i];
        p.latitude = 35.0 + static_cast<double>(i) * 1e-6;
        p.longitude = 139.0 + static_cast<double>(i) * 2e-6;
        p.altitude = static_cast<float>(i % 3000) + 0.5f;
        p.segment = static_cast<std::int16_t>(1 + i / 100000);
        p.time = static_cast<std::uint32_t>(352695600 + i);
    }
    return points;
}

template <typename Write>
void exportTrack(benchmark::State& state, Write write) {
    static const std::vector<TrackPoint> points = bigTrack();
    const std::string path = (folder() / "export.out").string();
    std::size_t bytes = 0;
    for (auto _ : state) {
        TextSink out(path);
        write(out, points);
        out.finish();
        bytes = std::filesystem::file_size(path);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
}

void BM_ExportPot(benchmark::State& state) {
    exportTrack(state, [](TextSink& out, const std::vector<TrackPoint>& p) { writePotTrack(out, p, DatumInfo{}); });
}
void BM_ExportText(benchmark::State& state) {
    exportTrack(state, [](TextSink& out, const std::vector<TrackPoint>& p) { writeTextTrack(out, p, -32400, false); });
}
void BM_ExportTextDms(benchmark::State& state) {
    exportTrack(state, [](TextSink& out, const std::vector<TrackPoint>& p) { writeTextTrack(out, p, -32400, true); });
}
void BM_ExportProAtlas(benchmark::State& state) {
    exportTrack(state, [](TextSink& out, const std::vector<TrackPoint>& p) { writeProAtlasTrack(out, p); });
}
void BM_ExportPcx5(benchmark::State& state) {
    exportTrack(state, [](TextSink& out, const std::vector<TrackPoint>& p) {
        PCX5(DatumInfo{}, 0).writeTrack(out, p, -32400);
    });
}

} // namespace

BENCHMARK(BM_NmeaLineFeeds)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NmeaImport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PotLineFeeds)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PotImport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PotStorePointsOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TextLineFeeds)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TextImport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TextStorePointsOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportText)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ExportTextDms)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ExportProAtlas)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ExportPot)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ExportPcx5)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Imports beside the line-feed count of the same file (CPU time of all
    // passes), and what storing their points alone would allow.
    for (const char* kind : {"nmea", "pot", "text"}) {
        const std::string k(kind);
        const double reference = g_totals[k + " memchr"].rate();
        if (reference <= 0)
            continue;
        const double import = g_totals[k + " import"].rate();
        const double store = g_totals[k + " store"].rate();
        if (import > 0)
            std::printf("%s import %.0f MB/s, memchr line feeds %.0f MB/s: ratio %.3f (target >= 0.333)\n", kind,
                        import, reference, import / reference);
        if (store > 0)
            std::printf("%s: storing the points alone %.0f MB/s of the file: ratio %.3f\n", kind, store,
                        store / reference);
    }
    std::filesystem::remove_all(folder());
    return 0;
}

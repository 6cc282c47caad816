// Reading and tokenizing a large text file of short comma-separated lines,
// beside the speed of merely counting its line feeds with memchr.
//
// The file (200 MB, or NUVREL_BENCH_TXT_MB) is generated in the temporary
// folder at start and removed at the end.
#include "core/ift_str_token.h"
#include "core/formats/ift_txt_file.h"

#include "bench_cpu.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

class SilentPrompts final : public nuvrel::UserPrompts {
public:
    void showError(int, const std::string&) override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&) override {}
    void beep() override {}
};

std::string g_path;
long long g_fileBytes = 0;

// Over all passes, and the best pass (the least disturbed by other work on
// a shared machine).
struct Rate {
    double bytes = 0;
    double seconds = 0;
    double best = 0; // MB/s of the fastest pass
    double mbPerSecond() const { return seconds > 0 ? bytes / seconds / 1e6 : 0; }
};
Rate g_memchr, g_reader, g_readLine;

using bench::cpuSeconds;

bool generate(const std::string& path, long long bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::string chunk;
    long long written = 0;
    unsigned seed = 12345;
    char line[96];
    while (written < bytes) {
        chunk.clear();
        while (chunk.size() < (1 << 20)) {
            seed = seed * 1103515245u + 12345u;
            const double lat = 35.0 + (seed % 1000000) * 1e-6;
            const double lon = 139.0 + ((seed >> 8) % 1000000) * 1e-6;
            const int n = std::snprintf(line, sizeof line, "%u,%.6f,%.6f,%u,T\r\n", seed % 100000, lat, lon,
                                        (seed >> 4) % 3000);
            chunk.append(line, static_cast<std::size_t>(n));
        }
        if (std::fwrite(chunk.data(), 1, chunk.size(), f) != chunk.size()) {
            std::fclose(f);
            return false;
        }
        written += static_cast<long long>(chunk.size());
    }
    g_fileBytes = written;
    return std::fclose(f) == 0;
}

void record(Rate& rate, double bytes, double start) {
    const double seconds = cpuSeconds() - start;
    rate.bytes += bytes;
    rate.seconds += seconds;
    if (seconds > 0)
        rate.best = std::max(rate.best, bytes / seconds / 1e6);
}

void BM_MemchrLineFeeds(benchmark::State& state) {
    static char buf[32768];
    for (auto _ : state) {
        const double start = cpuSeconds();
        const int fd = ::open(g_path.c_str(), O_RDONLY);
        long long lines = 0;
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0) {
            const char* p = buf;
            const char* const end = buf + n;
            while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
                ++lines;
                ++p;
            }
        }
        ::close(fd);
        benchmark::DoNotOptimize(lines);
        record(g_memchr, static_cast<double>(g_fileBytes), start);
    }
    state.SetBytesProcessed(state.iterations() * g_fileBytes);
}

void BM_ReadLineAndTokenize(benchmark::State& state) {
    SilentPrompts prompts;
    char line[4096];
    for (auto _ : state) {
        const double start = cpuSeconds();
        nuvrel::IFTxtFile file(prompts);
        if (!file.open(g_path)) {
            state.SkipWithError("cannot open the generated file");
            return;
        }
        long long fields = 0;
        int n;
        while ((n = file.readLine(line, sizeof line)) >= 0) {
            nuvrel::IFStrToken tok(std::string_view(line, static_cast<std::size_t>(n)), ",\t");
            for (const char* t = tok.firstToken(0); t; t = tok.nextToken(0))
                ++fields;
        }
        benchmark::DoNotOptimize(fields);
        record(g_reader, static_cast<double>(g_fileBytes), start);
    }
    state.SetBytesProcessed(state.iterations() * g_fileBytes);
}

void BM_ReadLineOnly(benchmark::State& state) {
    SilentPrompts prompts;
    char line[4096];
    for (auto _ : state) {
        const double start = cpuSeconds();
        nuvrel::IFTxtFile file(prompts);
        if (!file.open(g_path)) {
            state.SkipWithError("cannot open the generated file");
            return;
        }
        long long lines = 0;
        while (file.readLine(line, sizeof line) >= 0)
            ++lines;
        benchmark::DoNotOptimize(lines);
        record(g_readLine, static_cast<double>(g_fileBytes), start);
    }
    state.SetBytesProcessed(state.iterations() * g_fileBytes);
}

BENCHMARK(BM_MemchrLineFeeds)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadLineOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadLineAndTokenize)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    g_path = std::string(tmp && *tmp ? tmp : "/tmp") + "/nuvrel_bench_txt_" + std::to_string(::getpid()) + ".txt";
    const char* mb = std::getenv("NUVREL_BENCH_TXT_MB");
    const long long bytes = (mb ? std::atoll(mb) : 200) * 1000000LL;
    if (!generate(g_path, bytes)) {
        std::fprintf(stderr, "cannot write %s\n", g_path.c_str());
        std::remove(g_path.c_str());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(g_path.c_str());
    if (g_memchr.seconds > 0 && g_reader.seconds > 0) {
        std::printf("file %.1f MB (CPU time): memchr line feeds %.0f MB/s; readLine %.0f MB/s; "
                    "readLine+tokenize %.0f MB/s, ratio to memchr %.2f (target >= 0.50)\n",
                    static_cast<double>(g_fileBytes) / 1e6, g_memchr.mbPerSecond(), g_readLine.mbPerSecond(),
                    g_reader.mbPerSecond(), g_reader.mbPerSecond() / g_memchr.mbPerSecond());
        std::printf("best passes: memchr line feeds %.0f MB/s; readLine %.0f MB/s; readLine+tokenize %.0f MB/s, "
                    "ratio %.2f\n",
                    g_memchr.best, g_readLine.best, g_reader.best, g_reader.best / g_memchr.best);
    }
    return 0;
}

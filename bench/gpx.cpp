// GPX import and export of a 1,000,000-point track (NUVREL_BENCH_POINTS sets
// the count) beside the plain-text import and export of the same points, and
// GPSBabel's reading of the same GPX file. Positions held in "WGS 84" are
// written and read as they are; held in "Tokyo" (the default setting), every
// point goes through the datum conversion both ways. Figures are CPU seconds,
// the best of three passes; GPSBabel's are its process's.
//
// Then a GPX file of about 1 GB (NUVREL_BENCH_GPX_MB sets the size, 0 skips
// it), read once in a process of its own by our reader, by GPSBabel and by
// xmlwf (expat's well-formedness checker, which keeps nothing: the parser's
// own cost, the floor under any reader built on it): CPU seconds and peak
// memory of each process, side by side.
#include "core/formats/format_read.h"
#include "core/formats/format_registry.h"
#include "core/formats/gpx_format.h"
#include "core/formats/plain_text_format.h"

#include "bench_cpu.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>
#include <unistd.h>

using namespace nuvrel;
using bench::cpuSeconds;

namespace {

std::vector<TrackPoint> makeTrack(std::size_t count) {
    std::vector<TrackPoint> points(count);
    for (std::size_t i = 0; i < count; ++i) {
        TrackPoint& p = points[i];
        p.latitude = 35.0 + static_cast<double>(i % 100000) * 1e-6;
        p.longitude = 139.0 + static_cast<double>(i % 77777) * 1e-6;
        p.altitude = static_cast<float>(i % 3000) + 0.25f;
        p.segment = static_cast<std::int16_t>(1 + i / 100000);
        p.time = static_cast<std::uint32_t>(1000000000 + i);
    }
    return points;
}

template <typename Work>
double best(Work work) {
    double fastest = 1e30;
    for (int pass = 0; pass < 3; ++pass) {
        const double start = cpuSeconds();
        work();
        fastest = std::min(fastest, cpuSeconds() - start);
    }
    return fastest;
}

// The process's peak resident memory so far, in MB.
double peakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

double childSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// CPU seconds of "gpsbabel -t -i gpx -f path" (it reads and writes nothing);
// negative when it cannot run.
double gpsbabelRead(const std::string& path) {
    const double before = childSeconds();
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/usr/bin/gpsbabel", "gpsbabel", "-t", "-i", "gpx", "-f", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return childSeconds() - before;
}

// CPU seconds and peak memory (MB) of a child process running work;
// negative seconds when it could not run or failed.
struct ProcessCost {
    double seconds = -1;
    double peakMegabytes = 0;
};
template <typename Work>
ProcessCost inChild(Work work) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0)
        _exit(work());
    int status = 0;
    rusage u{};
    if (pid < 0 || wait4(pid, &status, 0, &u) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return {static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6,
            static_cast<double>(u.ru_maxrss) / 1024.0};
}

int runProgram(const char* program, const std::vector<const char*>& args) {
    std::vector<char*> argv;
    for (const char* a : args)
        argv.push_back(const_cast<char*>(a));
    argv.push_back(nullptr);
    // Their output is not what is measured.
    if (std::freopen("/dev/null", "w", stdout) == nullptr || std::freopen("/dev/null", "w", stderr) == nullptr)
        return 127;
    execv(program, argv.data());
    return 127;
}

// The same reading of a file of some 1 GB by us, GPSBabel and expat alone.
void largeFile(const std::string& folder, double megabytes) {
    const std::string gpx = folder + "/large.gpx";
    // Our writer spends some 137 bytes on a track point.
    const auto count = static_cast<std::size_t>(megabytes * 1e6 / 136.6);
    {
        const std::vector<TrackPoint> track = makeTrack(count);
        TextSink out(gpx);
        writeGpx(out, GpxSource{track, {}, {}}, GpxSettings{});
        if (!out.finish()) {
            std::printf("large GPX: cannot write %s\n", gpx.c_str());
            return;
        }
    } // the points are let go before the readers start, so they are not counted
    const double size = static_cast<double>(std::filesystem::file_size(gpx)) / 1e6;
    const double pointsMegabytes = static_cast<double>(count * sizeof(TrackPoint)) / (1024.0 * 1024.0);
    std::printf("GPX of %.0f MB (%zu track points), read once, each reader in a process of its own:\n", size, count);
    const ProcessCost ours = inChild([&] {
        const GpxRead read = readGpxFile(gpx, GpxSettings{}, GpxKinds{true, false, false});
        return read.error.empty() && read.content.track.size() == count ? 0 : 1;
    });
    if (ours.seconds < 0) {
        std::printf("  ours: failed\n");
        return;
    }
    std::printf("  ours:     %7.2f s CPU, peak %6.0f MB (%.0f MB the points kept, %.0f MB besides; aim: under 64)\n",
                ours.seconds, ours.peakMegabytes, pointsMegabytes, ours.peakMegabytes - pointsMegabytes);
    const ProcessCost babel = inChild(
        [&] { return runProgram("/usr/bin/gpsbabel", {"gpsbabel", "-t", "-i", "gpx", "-f", gpx.c_str()}); });
    if (babel.seconds >= 0)
        std::printf("  GPSBabel: %7.2f s CPU, peak %6.0f MB: ours %.1f x as fast (aim: 5 x), %.2f x its memory\n",
                    babel.seconds, babel.peakMegabytes, babel.seconds / ours.seconds,
                    ours.peakMegabytes / babel.peakMegabytes);
    else
        std::printf("  GPSBabel: not available\n");
    const ProcessCost expat = inChild([&] { return runProgram("/usr/bin/xmlwf", {"xmlwf", gpx.c_str()}); });
    if (expat.seconds >= 0) {
        std::printf("  xmlwf:    %7.2f s CPU (expat alone, nothing kept): %.0f %% of ours", expat.seconds,
                    100.0 * expat.seconds / ours.seconds);
        if (babel.seconds >= 0)
            std::printf("; no reader on expat can be more than %.1f x as fast as GPSBabel here",
                        babel.seconds / expat.seconds);
        std::printf("\n");
    } else {
        std::printf("  xmlwf:    not available (Debian package expat)\n");
    }
    std::filesystem::remove(gpx);
}

} // namespace

int main() {
    const char* n = std::getenv("NUVREL_BENCH_POINTS");
    const std::size_t count = n ? static_cast<std::size_t>(std::atol(n)) : 1000000;
    char folder[] = "/tmp/nuvrel-bench-gpx-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    // The large file first, while this process holds little of its own.
    const char* large = std::getenv("NUVREL_BENCH_GPX_MB");
    const double megabytes = large ? std::atof(large) : 1000.0;
    if (megabytes > 0)
        largeFile(folder, megabytes);
    std::printf("\n");

    const std::vector<TrackPoint> track = makeTrack(count);
    const std::string txt = std::string(folder) + "/track.txt";
    const std::string gpx = std::string(folder) + "/track.gpx";
    const double textOut = best([&] {
        TextSink out(txt);
        writeTextTrack(out, track, 0, false);
        out.finish();
    });
    std::size_t textPoints = 0;
    const double textIn = best([&] { textPoints = readTrackFile(kTrackFileText, txt, ImportOptions{}).points.size(); });
    const auto mb = [](const std::string& p) { return static_cast<double>(std::filesystem::file_size(p)) / 1e6; };
    std::printf("%zu track points (CPU seconds, best of 3)\n", count);
    const double textPeak = peakMegabytes();
    std::printf("plain text (%.1f MB): import %.3f s (%zu points), export %.3f s\n", mb(txt), textIn, textPoints,
                textOut);

    double wgsIn = 0;
    for (const char* datum : {"WGS 84", "Tokyo"}) {
        GpxSettings settings;
        settings.datumName = datum;
        const double gpxOut = best([&] {
            TextSink out(gpx);
            writeGpx(out, GpxSource{track, {}, {}}, settings);
            out.finish();
        });
        std::size_t gpxPoints = 0;
        const double gpxIn = best([&] {
            gpxPoints = readGpxFile(gpx, settings, GpxKinds{true, false, false}).content.track.size();
        });
        wgsIn = wgsIn > 0 ? wgsIn : gpxIn;
        std::printf("GPX held in %-6s (%.1f MB): import %.3f s (%zu points), %.1f x plain text; export %.3f s, "
                    "%.1f x plain text (aim: within 3 x)\n",
                    datum, mb(gpx), gpxIn, gpxPoints, gpxIn / textIn, gpxOut, gpxOut / textOut);
    }
    std::printf("peak memory: %.0f MB after the plain-text imports, %.0f MB after the GPX imports\n", textPeak,
                peakMegabytes());
    const double babel = gpsbabelRead(gpx);
    if (babel >= 0)
        std::printf("GPSBabel reading the same GPX: %.3f s, %.1f x our GPX import in WGS 84\n", babel, babel / wgsIn);
    else
        std::printf("GPSBabel reading the same GPX: not available\n");
    std::filesystem::remove_all(folder);
    return 0;
}

// Showing a large georeferenced map: a 10,000 x 10,000 UTM GeoTIFF (or the
// side given as the first argument) made by gdal_translate in a temporary
// folder, opened and shown in a 1280 x 800 window with a track log over it,
// then zoomed out to the whole map, without and with overviews. Printed
// beside gdal_translate of the same window to PNG, run in the same way.
// Aims: shown in under 1 s from opening, peak memory under 300 MB.
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/ift_garmin_track.h"
#include "render/map_canvas.h"

#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace nuvrel;

namespace {

class NoSettings final : public SettingsStore {
public:
    std::unique_ptr<SettingsKey> openKey(const std::string&, bool) override { return nullptr; }
};

class SilentPrompts final : public UserPrompts {
public:
    void showError(int, const std::string& text) override { std::fprintf(stderr, "error: %s\n", text.c_str()); }
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void beep() override {}
};

class NoZone final : public TimeZoneSource {
public:
    ZoneInfo read() override { return {}; }
};

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs a command; its wall time and peak memory (MB).
bool run(const std::vector<std::string>& args, double& seconds, double& peakMb) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const double start = now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return false;
    seconds = now() - start;
    peakMb = usage.ru_maxrss / 1024.0;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double ownPeakMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int side = argc > 1 ? std::atoi(argv[1]) : 10000;
    std::string folder = (std::filesystem::temp_directory_path() / "nuvrel-geo-map-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string seed = folder + "/seed.ppm", tif = folder + "/big.tif";
    {
        std::ofstream ppm(seed, std::ios::binary);
        ppm << "P6 500 500 255\n";
        for (int i = 0; i < 500 * 500; ++i)
            ppm << char(i % 251) << char(i / 500) << char((i * 7) % 253);
    }
    // 3 m pixels south of Innsbruck, UTM zone 32.
    const double metres = 3.0 * side;
    double seconds = 0, peak = 0;
    std::printf("making a %d x %d RGB GeoTIFF in EPSG:32632 (tiled, %.0f MB)...\n", side, side,
                3.0 * side * side / 1e6);
    if (!run({"gdal_translate", "-q", "-of", "GTiff", "-co", "TILED=YES", "-co", "BIGTIFF=IF_SAFER", "-outsize",
              std::to_string(side), std::to_string(side), "-a_srs", "EPSG:32632", "-a_ullr", "650000",
              std::to_string(5250000), std::to_string(650000 + metres), std::to_string(5250000 - metres), seed, tif},
             seconds, peak)) {
        std::printf("gdal_translate is missing or failed (scripts/install-deps installs gdal-bin)\n");
        std::filesystem::remove_all(folder);
        return 1;
    }

    NoSettings settings;
    SilentPrompts prompts;
    NoZone zone;
    IFTGarminData data{DataContext{prompts, zone}};
    CRouteField routes{0};
    IFTOption option{settings};
    option.SetDatumName("WGS 84");
    // A flight of 100,000 points wandering over the map.
    std::vector<TrackPoint> points(100'000);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double t = double(i) / points.size();
        points[i] = TrackPoint{47.35 - 0.2 * t * side / 10000, 11.05 + 0.3 * t * side / 10000 + 0.01 * std::sin(i * 0.01),
                               std::uint32_t(i), 1, 0, 0.f, 0.f};
    }
    data.setTrack(std::make_unique<IFTGarminTrack>(std::move(points)));
    render::MapCanvas canvas{data, routes, option, prompts};
    const QRect window(side / 2 - 640, side / 2 - 400, 1280, 800);

    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            std::printf("adding overviews with gdaladdo...\n");
            if (!run({"gdaladdo", "-q", "-r", "average", tif, "2", "4", "8", "16", "32"}, seconds, peak))
                break;
        }
        const char* what = pass == 0 ? "without overviews" : "with overviews";
        const double start = now();
        canvas.setZoomLevel(0);
        canvas.param().mapFileName = tif;
        if (!canvas.LoadMap()) {
            std::printf("the map did not load\n");
            break;
        }
        canvas.ShowArea(window);
        canvas.RedrawAll(true);
        const double shown = now() - start;
        // Zoomed out until the whole map fits the window.
        const double outStart = now();
        int steps = 0;
        while (canvas.pictureSize().width() > 1280 || canvas.pictureSize().height() > 800) {
            if (!canvas.Zoom(false).empty())
                break;
            ++steps;
        }
        canvas.ShowArea(QRect(0, 0, 1280, 800));
        canvas.RedrawAll(true);
        const double whole = now() - outStart;
        std::printf("%s: 1280 x 800 window shown %.3f s from opening (aim: under 1 s); zoomed out %d steps to "
                    "the whole map (%d x %d) in %.3f s\n",
                    what, shown, steps, canvas.pictureSize().width(), canvas.pictureSize().height(), whole);
    }
    std::printf("peak memory of this process: %.0f MB (aim: under 300 MB)\n", ownPeakMb());
    if (run({"gdal_translate", "-q", "-of", "PNG", "-srcwin", std::to_string(window.x()), std::to_string(window.y()),
             "1280", "800", tif, folder + "/window.png"},
            seconds, peak))
        std::printf("reference: gdal_translate of the same window to PNG: %.3f s, peak memory %.0f MB\n", seconds,
                    peak);
    if (run({"gdal_translate", "-q", "-of", "PNG", "-outsize", "1280", "0", tif, folder + "/whole.png"}, seconds,
            peak))
        std::printf("reference: gdal_translate of the whole map to 1280 pixels wide PNG: %.3f s, peak memory %.0f "
                    "MB\n",
                    seconds, peak);
    std::filesystem::remove_all(folder);
    return 0;
}

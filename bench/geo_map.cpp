// Showing a large georeferenced map in its own projection. For each of UTM
// zone 32 (EPSG:32632), Web Mercator (EPSG:3857) and Lambert-93 (EPSG:2154)
// gdal_translate makes a 10,000 x 10,000 RGB GeoTIFF of 3 m pixels (or the
// side given as the first argument) in a temporary folder. Each figure is one
// process, ours and the reference's alike, timed from start to exit with its
// peak memory:
//   window: the map opened and a 1280 x 800 window in its middle shown with a
//           flight of 100,000 points drawn over it; reference: gdal_translate
//           of the same window to PNG, and gdalwarp of it into latitude and
//           longitude (what showing it in a north-up degree grid costs);
//   whole:  the map zoomed out until all of it fits 1280 x 800; reference:
//           gdal_translate of the whole map to a PNG 1280 pixels wide;
// without overviews, then with overviews added by gdaladdo. Ours also prints
// its own time from opening the map to the window shown.
// Aims: the window shown in under 1 s from opening, peak memory under 300 MB.
#include "core/data/ift_garmin_data.h"
#include "core/data/ift_garmin_track.h"
#include "core/ift_option.h"
#include "render/map_canvas.h"

#include <QGuiApplication>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

constexpr int kWindowWidth = 1280;
constexpr int kWindowHeight = 800;

// Runs a command; its wall time and peak memory (MB). The parent stays small,
// so that the peak the kernel carries over into the child at its start is
// below what the child itself reaches.
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

void figure(const char* who, const std::vector<std::string>& args) {
    std::fflush(stdout);
    double seconds = 0, peak = 0;
    if (run(args, seconds, peak))
        std::printf("    %-52s %7.3f s %6.0f MB\n", who, seconds, peak);
    else
        std::printf("    %-52s failed\n", who);
    std::fflush(stdout);
}

// The child that shows the map: "--show window|whole path side latitude
// longitude".
int show(int argc, char** argv) {
    if (argc < 7)
        return 2;
    const bool whole = std::strcmp(argv[2], "whole") == 0;
    const std::string tif = argv[3];
    const int side = std::atoi(argv[4]);
    const double latitude = std::atof(argv[5]), longitude = std::atof(argv[6]);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    NoSettings settings;
    SilentPrompts prompts;
    NoZone zone;
    IFTGarminData data{DataContext{prompts, zone}};
    CRouteField routes{0};
    IFTOption option{settings};
    option.SetDatumName("WGS 84");
    // A flight of 100,000 points wandering across the map's middle.
    std::vector<TrackPoint> points(100'000);
    const double span = 0.1 * side / 10000;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double t = double(i) / double(points.size()) - 0.5;
        points[i] = TrackPoint{latitude - span * t, longitude + span * t + 0.01 * std::sin(double(i) * 0.01),
                               std::uint32_t(i), 1, 0, 0.f, 0.f};
    }
    data.setTrack(std::make_unique<IFTGarminTrack>(std::move(points)));
    render::MapCanvas canvas{data, routes, option, prompts};

    const double start = now();
    canvas.setZoomLevel(0);
    canvas.param().mapFileName = tif;
    if (!canvas.LoadMap())
        return 1;
    if (whole) {
        while (canvas.pictureSize().width() > kWindowWidth || canvas.pictureSize().height() > kWindowHeight)
            if (!canvas.Zoom(false).empty())
                return 1;
        canvas.ShowArea(QRect(0, 0, kWindowWidth, kWindowHeight));
    } else {
        canvas.ShowArea(QRect(side / 2 - kWindowWidth / 2, side / 2 - kWindowHeight / 2, kWindowWidth, kWindowHeight));
    }
    canvas.RedrawAll(true);
    const double shown = now() - start;
    std::printf("    %-52s %7.3f s from opening the map\n", "ours, in the program", shown);
    return 0;
}

struct Projection {
    const char* name;
    const char* srs;
    double east, north;          // the map's middle in the system's metres
    double latitude, longitude;  // the same place
};

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--show") == 0)
        return show(argc, argv);
    const int side = argc > 1 ? std::atoi(argv[1]) : 10000;
    if (side < 1300) {
        std::fprintf(stderr, "usage: bench_geo_map [side >= 1300]\n");
        return 2;
    }
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string folder = (std::filesystem::temp_directory_path() / "nuvrel-geo-map-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string seed = folder + "/seed.ppm";
    {
        std::ofstream ppm(seed, std::ios::binary);
        ppm << "P6 500 500 255\n";
        for (int i = 0; i < 500 * 500; ++i)
            ppm << char(i % 251) << char(i / 500) << char((i * 7) % 253);
    }
    const Projection projections[] = {
        {"UTM zone 32", "EPSG:32632", 672000, 5207000, 46.9942, 11.2622},
        {"Web Mercator", "EPSG:3857", 1295000, 5950000, 47.0485, 11.6332},
        {"Lambert-93", "EPSG:2154", 955000, 6450000, 45.1021, 6.2429},
    };
    const double half = 3.0 * side / 2;
    const int wx = side / 2 - kWindowWidth / 2, wy = side / 2 - kWindowHeight / 2;
    std::printf("%d x %d RGB GeoTIFFs of 3 m pixels (tiled, %.0f MB each); each line one process: wall time, peak "
                "memory\n",
                side, side, 3.0 * side * side / 1e6);
    for (const Projection& p : projections) {
        const std::string tif = folder + "/map.tif";
        std::filesystem::remove(tif);
        double seconds = 0, peak = 0;
        if (!run({"gdal_translate", "-q", "-of", "GTiff", "-co", "TILED=YES", "-co", "BIGTIFF=IF_SAFER", "-outsize",
                  std::to_string(side), std::to_string(side), "-a_srs", p.srs, "-a_ullr",
                  std::to_string(p.east - half), std::to_string(p.north + half), std::to_string(p.east + half),
                  std::to_string(p.north - half), seed, tif},
                 seconds, peak)) {
            std::printf("gdal_translate is missing or failed (scripts/install-deps installs gdal-bin)\n");
            std::filesystem::remove_all(folder);
            return 1;
        }
        // The window in the map's own metres, for gdalwarp.
        const double left = p.east - half + 3.0 * wx, top = p.north + half - 3.0 * wy;
        const std::string lat = std::to_string(p.latitude), lon = std::to_string(p.longitude);
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1 && !run({"gdaladdo", "-q", "-r", "average", tif, "2", "4", "8", "16", "32"}, seconds, peak))
                break;
            std::printf("%s (%s), %s:\n", p.name, p.srs, pass == 0 ? "without overviews" : "with overviews");
            std::printf("  a %d x %d window in the middle\n", kWindowWidth, kWindowHeight);
            figure("ours (process: start, open, show, track, exit)",
                   {self, "--show", "window", tif, std::to_string(side), lat, lon});
            figure("gdal_translate -srcwin to PNG",
                   {"gdal_translate", "-q", "-of", "PNG", "-srcwin", std::to_string(wx), std::to_string(wy),
                    std::to_string(kWindowWidth), std::to_string(kWindowHeight), tif, folder + "/window.png"});
            std::filesystem::remove(folder + "/warped.tif");
            figure("gdalwarp of it into latitude/longitude",
                   {"gdalwarp", "-q", "-t_srs", "EPSG:4326", "-te_srs", p.srs, "-te", std::to_string(left),
                    std::to_string(top - 3.0 * kWindowHeight), std::to_string(left + 3.0 * kWindowWidth),
                    std::to_string(top), "-ts", std::to_string(kWindowWidth), std::to_string(kWindowHeight), "-r",
                    "bilinear", tif, folder + "/warped.tif"});
            std::printf("  the whole map in %d x %d\n", kWindowWidth, kWindowHeight);
            figure("ours (process)", {self, "--show", "whole", tif, std::to_string(side), lat, lon});
            figure("gdal_translate -outsize 1280 0 to PNG",
                   {"gdal_translate", "-q", "-of", "PNG", "-outsize", std::to_string(kWindowWidth), "0", tif,
                    folder + "/whole.png"});
        }
    }
    std::printf("aims: the window shown in under 1 s from opening; peak memory under 300 MB\n");
    std::filesystem::remove_all(folder);
    return 0;
}

// Drawing a long track log over a map and over a fitted view, a zoom step on
// a tiled map (large georeferenced maps: bench_geo_map).
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "render/map_canvas.h"
#include "render/print_page.h"
#include "bench_cpu.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

using namespace nuvrel;

namespace {

class NoSettings final : public SettingsStore {
public:
    std::unique_ptr<SettingsKey> openKey(const std::string&, bool) override { return nullptr; }
};

class SilentPrompts final : public UserPrompts {
public:
    void showError(int, const std::string&) override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&) override {}
    void beep() override {}
};

class NoZone final : public TimeZoneSource {
public:
    ZoneInfo read() override { return {}; }
};

struct World {
    NoSettings settings;
    SilentPrompts prompts;
    NoZone zone;
    IFTGarminData data{DataContext{prompts, zone}};
    CRouteField routes{0};
    IFTOption option{settings};
    render::MapCanvas canvas{data, routes, option, prompts};
};

// A wandering flight of 1,000,000 points in 100 segments over about
// 35.0..35.5 N, 139.0..139.6 E.
std::unique_ptr<IFTGarminTrack> longTrack() {
    std::vector<TrackPoint> points(1'000'000);
    std::mt19937 rng(7);
    std::normal_distribution<double> step(0, 0.0004);
    double lat = 35.25, lon = 139.3;
    for (std::size_t i = 0; i < points.size(); ++i) {
        lat = std::clamp(lat + step(rng), 35.0, 35.5);
        lon = std::clamp(lon + step(rng), 139.0, 139.6);
        points[i] = TrackPoint{lat, lon, static_cast<std::uint32_t>(i), static_cast<std::int16_t>(1 + i / 10'000),
                               0, 0.f, 0.f};
    }
    return std::make_unique<IFTGarminTrack>(std::move(points));
}

void BM_RedrawAllOverMap(benchmark::State& state) {
    World w;
    w.data.setTrack(longTrack());
    IFTMapParam& p = w.canvas.param();
    p.ido_top = 35.55;
    p.ido_bottom = 34.95;
    p.kei_left = 138.95;
    p.kei_right = 139.65;
    p.bitmap_width = 4000;
    p.bitmap_height = 3000;
    SetViewTransform(p, w.data);
    w.canvas.FillBackground(4000, 3000);
    for (auto _ : state) {
        w.canvas.RedrawAll(true);
        benchmark::DoNotOptimize(w.canvas.image().constBits());
    }
    state.SetLabel("1,000,000 points, 100 segments, 4000 x 3000");
}
BENCHMARK(BM_RedrawAllOverMap)->Unit(benchmark::kMillisecond);

void BM_RedrawAllFittedView(benchmark::State& state) {
    World w;
    w.data.setTrack(longTrack());
    FittedDistances d;
    w.canvas.FillBackground(1200, 800);
    w.canvas.FitViewToData(1200, 800, true, d);
    for (auto _ : state) {
        w.canvas.RedrawAll(true);
        benchmark::DoNotOptimize(w.canvas.image().constBits());
    }
    state.SetLabel("1,000,000 points, 100 segments, fitted 1200 x 800");
}
BENCHMARK(BM_RedrawAllFittedView)->Unit(benchmark::kMillisecond);

// 8 x 5 tiles of 1000 x 1000 pixels.
const std::string& tiledMap() {
    static const std::string path = [] {
        const auto dir = std::filesystem::temp_directory_path() / "nuvrel_bench_tiles";
        std::filesystem::create_directories(dir);
        for (int n = 0; n < 40; ++n) {
            const auto file = dir / ("m" + std::to_string(n) + ".bmp");
            if (std::filesystem::exists(file))
                continue;
            QImage tile(1000, 1000, QImage::Format_RGB888);
            tile.fill(QColor(n * 6, 255 - n * 6, (n * 37) % 256));
            tile.save(QString::fromStdString(file.string()), "BMP");
        }
        std::ofstream(dir / "mapinfo.dat") << "Nuvrel CE\n101\n24bpp\n8\n5\n36\n139\n35\n140\n1000\n1000\n";
        return (dir / "mapinfo.dat").string();
    }();
    return path;
}

void BM_TiledZoom(benchmark::State& state) {
    const bool in = state.range(0) != 0;
    World w;
    w.canvas.setZoomLevel(-1);
    w.canvas.LoadTiledMap(tiledMap());
    for (auto _ : state) {
        w.canvas.setZoomLevel(in ? -1 : 0); // zoom in -1 -> 0, zoom out 0 -> -1
        const std::string refused = w.canvas.Zoom(in);
        if (!refused.empty())
            state.SkipWithError(refused.c_str());
        w.canvas.RedrawAll(true);
    }
    state.SetLabel(in ? "40 tiles 1000 x 1000, zoom in to 8000 x 5000" : "40 tiles, zoom out to 4000 x 2500");
}
BENCHMARK(BM_TiledZoom)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The printed page of the long flight over a 4000 x 3000 map: A4 at 600 dpi
// into a PDF in memory.
void BM_PrintPage(benchmark::State& state) {
    World w;
    w.data.setTrack(longTrack());
    IFTMapParam& p = w.canvas.param();
    p.ido_top = 35.55;
    p.ido_bottom = 34.95;
    p.kei_left = 138.95;
    p.kei_right = 139.65;
    p.bitmap_width = 4000;
    p.bitmap_height = 3000;
    SetViewTransform(p, w.data);
    w.canvas.FillBackground(4000, 3000);
    std::string unreadable;
    const render::PrintPageContent content = render::PrintContentOf(w.canvas, w.data, w.option, unreadable);
    qint64 bytes = 0;
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(600);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&writer);
        render::PaintPrintPage(painter, render::pagedDevice(painter), content);
        painter.end();
        bytes = buffer.size();
    }
    state.SetLabel("1,000,000 points, 100 segments, map 4000 x 3000, A4 at 600 dpi, " +
                   std::to_string(bytes / 1024) + " KiB of PDF");
}
BENCHMARK(BM_PrintPage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

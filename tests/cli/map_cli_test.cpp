// nuvrel-cli measures and render, run as the real program.
#include "core/data/ift_garmin_data.h"
#include "core/map/fitted_view.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>


#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace nuvrel {
namespace {

using test::TempDir;

using CliRun = test::ProgramRun;

// Default settings: a fresh configuration folder.
CliRun runCli(const TempDir& dir, const std::vector<std::string>& args) {
    return test::runProgram(NUVREL_CLI, args, {"XDG_CONFIG_HOME=" + (dir / "config").string()});
}

// A 24-bit bitmap, read and written without Qt.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb; // 0xRRGGBB, top row first

    std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }

    static std::int32_t le32(const std::string& b, std::size_t at) {
        std::int32_t v;
        std::memcpy(&v, b.data() + at, 4);
        return v;
    }
    static Bitmap read(const std::filesystem::path& path) {
        const std::string b = test::readFileBytes(path);
        Bitmap bmp;
        if (b.size() < 54 || b.compare(0, 2, "BM") != 0 || b[28] != 24)
            return bmp;
        bmp.width = le32(b, 18);
        const int h = le32(b, 22);
        bmp.height = std::abs(h);
        const std::size_t offset = static_cast<std::size_t>(le32(b, 10));
        const std::size_t stride = (static_cast<std::size_t>(bmp.width) * 3 + 3) & ~std::size_t{3};
        bmp.rgb.resize(static_cast<std::size_t>(bmp.width) * bmp.height);
        for (int y = 0; y < bmp.height; ++y) {
            const std::size_t row = offset + stride * static_cast<std::size_t>(h > 0 ? bmp.height - 1 - y : y);
            for (int x = 0; x < bmp.width; ++x) {
                const auto* p = reinterpret_cast<const unsigned char*>(b.data() + row + 3 * x);
                bmp.rgb[static_cast<std::size_t>(y) * bmp.width + x] = (p[2] << 16) | (p[1] << 8) | p[0];
            }
        }
        return bmp;
    }
};

TrackPoint pt(double lat, double lon, std::uint32_t time, std::int16_t segment) {
    return TrackPoint{lat, lon, time, segment, 0, 0.f, 0.f};
}

struct MapCli : ::testing::Test {
    TempDir dir;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    IFTGarminData data{DataContext{prompts, zone}};
    CRouteField routes{0};

    std::string save() {
        const std::string path = (dir / "d.nvl").string();
        EXPECT_TRUE(data.save(path, &routes));
        return path;
    }
};

// render is built only with the Qt renderer (not in the sanitizer build).
#ifdef NUVREL_CLI_RENDER
#define NUVREL_REQUIRE_RENDERER() (void)0
#else
#define NUVREL_REQUIRE_RENDERER() GTEST_SKIP() << "nuvrel-cli built without the map renderer"
#endif

TEST_F(MapCli, MeasuresPerSegmentAndTotal) {
    // Segments 1 and 3; segment 2, which no point carries, is not listed.
    data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{
        pt(35.0, 139, 0, 1), pt(35.1, 139, 1800, 1), pt(35.2, 139, 2000, 3), pt(35.2, 139, 2000, 3)}));
    const CliRun r = runCli(dir, {"measures", save()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "segment  distance[km]   time     speed[km/h]\n"
                     "1            11.131   00:30:00      22.26\n"
                     "3             0.000   00:00:00          -\n"
                     "total        22.261   00:33:20      40.07\n");

    // A last point of segment -1 claims 4294967295 segments.
    data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{pt(35.0, 139, 0, 1), pt(35.1, 139, 60, -1)}));
    const CliRun claimed = runCli(dir, {"measures", save()});
    ASSERT_EQ(claimed.status, 0) << claimed.err;
    EXPECT_EQ(std::count(claimed.out.begin(), claimed.out.end(), '\n'), 3) << claimed.out.substr(0, 400);
}

TEST_F(MapCli, RendersTheFittedView) {
    NUVREL_REQUIRE_RENDERER();
    data.setTrack(std::make_unique<IFTGarminTrack>(
        std::vector<TrackPoint>{pt(35.0, 139.0, 0, 1), pt(35.0, 139.5, 0, 1), pt(35.4, 139.5, 0, 1)}));
    const std::string path = save();
    const auto out = dir / "fit.bmp";
    const CliRun r = runCli(dir, {"render", path, "-o", out.string(), "--fit", "300x200"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Bitmap bmp = Bitmap::read(out);
    ASSERT_EQ(bmp.width, 300);
    ASSERT_EQ(bmp.height, 200);

    // Where the window would draw the first leg.
    IFTMapParam param;
    FittedDistances d;
    ASSERT_TRUE(FitViewToData(data, &routes, true, 300, 200, param, d));
    EXPECT_NE(r.out.find(DistanceLabel(d.horizontalKm)), std::string::npos);
    const Pixel a = PositionToPixel(param, data, 35.0, 139.0);
    const Pixel b = PositionToPixel(param, data, 35.0, 139.5);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(bmp.at((a.x + b.x) / 2, a.y), 0xff0000u); // default pen: red
    EXPECT_EQ(bmp.at((a.x + b.x) / 2, a.y - 3), 0xffffffu);
}

TEST_F(MapCli, RendersOverAMapWithZoomAndWaypoints) {
    NUVREL_REQUIRE_RENDERER();
    test::writeGreyBitmap(dir / "m.bmp", 100, 50);
    test::writeFileBytes(dir / "m.dat", "ido_top = 36\nido_bottom = 35\nkei_left = 139\nkei_right = 141\n"
                                        "bitmap_width = 100\nbitmap_height = 50\n");
    data.setWaypoints(std::make_unique<IFTGarminWaypoint>());
    data.waypoints()->append("W", 35.5, 140, "", 0); // pixel (50, 25), (100, 50) at zoom 1
    const std::string path = save();
    const auto out = dir / "map.bmp";
    CliRun r = runCli(dir, {"render", path, "-o", out.string(), "--map", (dir / "m.dat").string(), "--zoom", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    Bitmap bmp = Bitmap::read(out);
    ASSERT_EQ(bmp.width, 200);
    ASSERT_EQ(bmp.height, 100);
    EXPECT_EQ(bmp.at(100, 50), 0x008000u);
    EXPECT_EQ(bmp.at(5, 95), 0xc0c0c0u);

    r = runCli(dir, {"render", path, "-o", out.string(), "--map", (dir / "m.bmp").string(), "--no-waypoints"});
    ASSERT_EQ(r.status, 0) << r.err;
    bmp = Bitmap::read(out);
    ASSERT_EQ(bmp.width, 100);
    EXPECT_EQ(bmp.at(50, 25), 0xc0c0c0u);
}

TEST_F(MapCli, RenderRefusesBadInput) {
    NUVREL_REQUIRE_RENDERER();
    const std::string path = save();
    const auto out = (dir / "x.bmp").string();
    EXPECT_EQ(runCli(dir, {"render", path, "-o", out}).status, 2);
    EXPECT_EQ(runCli(dir, {"render", path, "-o", out, "--fit", "10x10", "--map", "m.dat"}).status, 2);
    EXPECT_EQ(runCli(dir, {"render", path, "-o", out, "--fit", "0x10"}).status, 2);

    // A calibration without extent: a message, no picture.
    test::writeGreyBitmap(dir / "flat.bmp", 10, 10);
    test::writeFileBytes(dir / "flat.dat", "ido_top=35\nido_bottom=35\nkei_left=1\nkei_right=2\n"
                                           "bitmap_width=10\nbitmap_height=10\n");
    CliRun r = runCli(dir, {"render", path, "-o", out, "--map", (dir / "flat.dat").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no usable map"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));

    // A refused zoom step.
    test::writeFileBytes(dir / "flat.dat", "ido_top=36\nido_bottom=35\nkei_left=1\nkei_right=2\n"
                                           "bitmap_width=20000\nbitmap_height=10\n");
    r = runCli(dir, {"render", path, "-o", out, "--map", (dir / "flat.dat").string(), "--zoom", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("32768"), std::string::npos);

    // A FIFO as the map's bitmap: refused at once, not waited on for a writer.
    ASSERT_EQ(::mkfifo((dir / "pipe.bmp").c_str(), 0600), 0);
    test::writeFileBytes(dir / "pipe.dat", "ido_top=36\nido_bottom=35\nkei_left=1\nkei_right=2\n");
    r = runCli(dir, {"render", path, "-o", out, "--map", (dir / "pipe.dat").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
}

} // namespace
} // namespace nuvrel

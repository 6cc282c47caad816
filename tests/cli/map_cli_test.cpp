// nuvrel-cli measures and render, run as the real program.
#include "cli_data_file.h"
#include "core/geo/map_datum.h"
#include "core/map/fitted_view.h"
#include "support/outside_reference.h"

#include <algorithm>


#include <cmath>
#include <cstdlib>
#include <functional>
#include <cstring>
#include <sys/stat.h>

namespace nuvrel {
namespace {

using test::TempDir;
using test::pt;
using test::runCli;

using CliRun = test::ProgramRun;

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

using MapCli = test::CliDataFile;

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

    // A FIFO given as the map itself is named as given.
    ASSERT_EQ(::mkfifo((dir / "map.fifo").c_str(), 0600), 0);
    r = runCli(dir, {"render", path, "-o", out, "--map", (dir / "map.fifo").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find((dir / "map.fifo").string() + ": it is not a regular file"), std::string::npos) << r.err;
}

// Georeferenced maps: rasters made by the raster library's own tools, each
// with a red mark at a known position. A waypoint at that position must be
// drawn on the mark. Positions are compared in continuous pixel coordinates:
// a pixel index i covers [i, i + 1), and the waypoint is drawn at the pixel
// its position truncates to.
struct GeoMapCli : MapCli {
    // The mark's position in WGS-84 and in the default datum (Tokyo).
    static constexpr double kLat = 35.9495, kLon = 139.1005;

    static bool tool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

    // 400 x 300 white, red 3 x 3 mark centred on pixel (100, 50); the
    // corners 139.0/36.0 and 139.4/35.7 put the mark's centre at kLat/kLon.
    std::string markedImage() {
        std::string ppm = "P6 400 300 255\n";
        std::string px(400 * 300 * 3, '\xff');
        for (int y = 49; y <= 51; ++y)
            for (int x = 99; x <= 101; ++x) {
                px[(y * 400 + x) * 3 + 1] = 0;
                px[(y * 400 + x) * 3 + 2] = 0;
            }
        test::writeFileBytes(dir / "mark.ppm", ppm + px);
        return (dir / "mark.ppm").string();
    }

    struct Centre {
        double x = -1, y = -1;
        int count = 0;
    };
    static Centre centreOf(const Bitmap& bmp, const std::function<bool(std::uint32_t)>& match) {
        Centre c{0, 0, 0};
        for (int y = 0; y < bmp.height; ++y)
            for (int x = 0; x < bmp.width; ++x)
                if (match(bmp.at(x, y))) {
                    c.x += x;
                    c.y += y;
                    ++c.count;
                }
        if (c.count > 0) {
            c.x /= c.count;
            c.y /= c.count;
        }
        return c;
    }

    // Renders the map twice, without and with the waypoint at the mark, and
    // returns how far (in pixels) the waypoint lies from the mark's centre.
    double waypointOffMark(const std::string& map) {
        double lat, lon, h;
        MapDatum("Tokyo").toLocal(kLat, kLon, 0, lat, lon, h);
        data.setWaypoints(std::make_unique<IFTGarminWaypoint>());
        data.waypoints()->append("", lat, lon, "", 0);
        const std::string path = save();
        const auto out = dir / "geo.bmp";
        CliRun r = runCli(dir, {"render", path, "-o", out.string(), "--map", map, "--no-waypoints"});
        EXPECT_EQ(r.status, 0) << r.err;
        const Centre mark = centreOf(Bitmap::read(out), [](std::uint32_t c) {
            return (c >> 16) > 200 && ((c >> 8) & 0xff) < 120 && (c & 0xff) < 120;
        });
        r = runCli(dir, {"render", path, "-o", out.string(), "--map", map});
        EXPECT_EQ(r.status, 0) << r.err;
        const Centre wpt = centreOf(Bitmap::read(out), [](std::uint32_t c) { return c == 0x008000u; });
        if (mark.count == 0 || wpt.count != 81)
            return 1e9;
        return std::hypot((mark.x + 0.5) - (wpt.x + 0.5), (mark.y + 0.5) - (wpt.y - 0.5));
    }
};

TEST_F(GeoMapCli, WaypointIsDrawnOnTheMarkOfEveryKindOfMap) {
    NUVREL_REQUIRE_RENDERER();
    NUVREL_REQUIRE_REFERENCE(tool("gdal_translate --version"), "gdal_translate");
    const std::string d = dir.path().string() + "/";
    const std::string ppm = markedImage();
    ASSERT_TRUE(tool("gdal_translate -of GTiff -a_srs EPSG:4326 -a_ullr 139.0 36.0 139.4 35.7 " + ppm + " " + d +
                     "wgs84.tif"));
    ASSERT_TRUE(tool("gdalwarp -t_srs EPSG:32654 -r near " + d + "wgs84.tif " + d + "utm.tif"));
    ASSERT_TRUE(tool("gdalwarp -t_srs EPSG:3857 -r near " + d + "wgs84.tif " + d + "mercator.tif"));
    ASSERT_TRUE(tool("gdal_translate -of MBTiles " + d + "mercator.tif " + d + "tiles.mbtiles"));
    // An image copied from Windows: upper-case name, the .map naming it by a
    // Windows path in lower case; three corners as degrees and minutes.
    ASSERT_TRUE(tool("gdal_translate -of PNG " + ppm + " " + d + "MARK.PNG"));
    test::writeFileBytes(dir / "mark.map",
                         "OziExplorer Map Data File Version 2.2\r\nmark\r\nC:\\Maps\\mark.png\r\n1 ,Map Code,\r\n"
                         "WGS 84,WGS 84,   0.0000,   0.0000,WGS 84\r\nReserved 1\r\nReserved 2\r\n"
                         "Magnetic Variation,,,E\r\n"
                         "Map Projection,Latitude/Longitude,PolyCal,No,AutoCalOnly,No,BSBUseWPX,No\r\n"
                         "Point01,xy,    0,    0,in, deg,  36,  0.0000,N, 139,  0.0000,E, grid,   ,  ,  ,N\r\n"
                         "Point02,xy,  400,    0,in, deg,  36,  0.0000,N, 139, 24.0000,E, grid,   ,  ,  ,N\r\n"
                         "Point03,xy,    0,  300,in, deg,  35, 42.0000,N, 139,  0.0000,E, grid,   ,  ,  ,N\r\n"
                         "Point04,xy,     ,     ,in, deg,    ,        ,N,    ,        ,E, grid,   ,  ,  ,N\r\n"
                         "IWH,Map Image Width/Height,400,300\r\n");
    for (const char* map : {"wgs84.tif", "utm.tif", "mercator.tif", "tiles.mbtiles", "mark.map"}) {
        SCOPED_TRACE(map);
        EXPECT_LE(waypointOffMark(d + map), 1.0);
    }
}

TEST_F(GeoMapCli, MapsThatCannotBePlacedAreRefusedByName) {
    NUVREL_REQUIRE_RENDERER();
    NUVREL_REQUIRE_REFERENCE(tool("gdal_translate --version"), "gdal_translate");
    const std::string d = dir.path().string() + "/";
    ASSERT_TRUE(tool("gdal_translate -of GTiff " + markedImage() + " " + d + "plain.tif"));
    ASSERT_TRUE(tool("gdal_translate -of PNG " + markedImage() + " " + d + "mark.png"));
    const std::string head = "OziExplorer Map Data File Version 2.2\nm\nmark.png\n1 ,Map Code,\n";
    const std::string p1 = "Point01,xy,0,0,in, deg,36,0,N,139,0,E, grid\n";
    const std::string p2 = "Point02,xy,400,0,in, deg,36,0,N,139,24,E, grid\n";
    const std::string p3 = "Point03,xy,0,300,in, deg,35,42,N,139,0,E, grid\n";
    test::writeFileBytes(dir / "two.map", head + "WGS 84,WGS 84\n" + p1 + p2);
    test::writeFileBytes(dir / "datum.map", head + "Lunar 1969,x\n" + p1 + p2 + p3);
    test::writeFileBytes(dir / "noimage.map", "OziExplorer Map Data File Version 2.2\nm\nC:\\gone.png\n1\nWGS 84\n" +
                                                  p1 + p2 + p3);
    data.setWaypoints(std::make_unique<IFTGarminWaypoint>());
    const std::string path = save();
    const struct {
        const char* map;
        const char* says;
    } cases[] = {
        {"plain.tif", "has no georeferencing"},
        {"two.map", "only 2 calibration points; at least 3 are needed"},
        {"datum.map", "unknown datum \"Lunar 1969\""},
        {"noimage.map", "its image gone.png is not beside it"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.map);
        const CliRun r = runCli(dir, {"render", path, "-o", (dir / "x.bmp").string(), "--map", d + c.map});
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.map), std::string::npos) << r.err;
    }
}

} // namespace
} // namespace nuvrel

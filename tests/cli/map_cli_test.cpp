// nuvrel-cli measures and render, run as the real program.
#include "cli_data_file.h"
#include "core/geo/map_datum.h"
#include "core/map/fitted_view.h"
#include "support/outside_reference.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>
#include <tuple>


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

    // A bitmap beyond what can be shown (only its header is needed to tell):
    // its size and the limit, not the image reader's own words.
    std::string header = "BM" + std::string(8, '\0') + std::string("\x36\0\0\0\x28\0\0\0", 8);
    header += std::string("\xe0\x2e\0\0\xe0\x2e\0\0\x01\0\x18\0", 12) + std::string(24, '\0');
    test::writeFileBytes(dir / "huge.bmp", header);
    test::writeFileBytes(dir / "huge.dat", "ido_top=36\nido_bottom=35\nkei_left=1\nkei_right=2\n"
                                           "bitmap_width=12000\nbitmap_height=12000\n");
    r = runCli(dir, {"render", path, "-o", out, "--map", (dir / "huge.dat").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the map is 12000 x 12000 pixels; the largest that can be shown is 120 million pixels"),
              std::string::npos)
        << r.err;

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

// Georeferenced maps, drawn in their own coordinate systems: rasters made by
// the raster library's own tools, and .map files written here. A waypoint is
// drawn on the pixel that gdaltransform (the outside reference) gives for its
// position, within 0.6 pixel each way: the square's centre pixel i covers
// [i, i + 1).
struct GeoMapCli : MapCli {
    // A position in WGS-84 on every test map.
    static constexpr double kLat = 35.9495, kLon = 139.1005;

    static bool tool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

    static std::string output(const std::string& command) {
        std::string out;
        if (FILE* p = ::popen(command.c_str(), "r")) {
            char buffer[512];
            while (std::fgets(buffer, sizeof buffer, p))
                out += buffer;
            ::pclose(p);
        }
        return out;
    }

    // gdaltransform: raster pixel of a WGS-84 position (inverse), or the
    // WGS-84 position of a raster pixel.
    static std::array<double, 2> gdaltransform(const std::string& raster, double a, double b, bool inverse) {
        std::array<double, 2> r{-1e9, -1e9};
        double z = 0;
        char in[96];
        std::snprintf(in, sizeof in, "%.10f %.10f", a, b);
        std::istringstream(output("echo '" + std::string(in) + "' | gdaltransform " + (inverse ? "-i " : "") +
                                  "-t_srs EPSG:4326 " + raster)) >>
            r[0] >> r[1] >> z;
        return r;
    }

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

    struct Box {
        int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
        int count = 0;
        double x = 0, y = 0; // mean pixel index
    };
    static Box boxOf(const Bitmap& bmp, const std::function<bool(std::uint32_t)>& match) {
        Box b;
        for (int y = 0; y < bmp.height; ++y)
            for (int x = 0; x < bmp.width; ++x)
                if (match(bmp.at(x, y))) {
                    b.left = std::min(b.left, x);
                    b.right = std::max(b.right, x);
                    b.top = std::min(b.top, y);
                    b.bottom = std::max(b.bottom, y);
                    b.x += x;
                    b.y += y;
                    ++b.count;
                }
        if (b.count > 0) {
            b.x /= b.count;
            b.y /= b.count;
        }
        return b;
    }

    // A WGS-84 position in the datum the data is held in (Tokyo).
    static void held(double lat, double lon, double& heldLat, double& heldLon) {
        double h = 0;
        MapDatum("Tokyo").toLocal(lat, lon, 0, heldLat, heldLon, h);
    }

    // The map rendered with a waypoint at the WGS-84 position: the centre of
    // its green square (a pixel index), or far away when it is not whole.
    std::array<double, 2> waypointPixel(const std::string& map, double lat, double lon) {
        double hLat, hLon;
        held(lat, lon, hLat, hLon);
        data.setWaypoints(std::make_unique<IFTGarminWaypoint>());
        data.waypoints()->append("", hLat, hLon, "", 0);
        const auto out = dir / "geo.bmp";
        const CliRun r = runCli(dir, {"render", save(), "-o", out.string(), "--map", map});
        EXPECT_EQ(r.status, 0) << r.err;
        const Box wpt = boxOf(Bitmap::read(out), [](std::uint32_t c) { return c == 0x008000u; });
        if (wpt.count != 81)
            return {-1e9, -1e9};
        return {wpt.x, wpt.y};
    }

    // A .map of the image `image` with `corners` (pixel, then WGS-84 latitude
    // and longitude) in the projection line given.
    void writeOziMap(const std::string& name, const std::string& image, const std::string& projection,
                     const std::vector<std::array<double, 4>>& corners) {
        std::string text = "OziExplorer Map Data File Version 2.2\r\nsheet\r\nC:\\Karten\\" + image +
                           "\r\n1 ,Map Code,\r\nWGS 84,WGS 84,   0.0000,   0.0000,WGS 84\r\nReserved 1\r\n"
                           "Reserved 2\r\nMagnetic Variation,,,E\r\nMap Projection," +
                           projection + ",PolyCal,No,AutoCalOnly,No,BSBUseWPX,No\r\n";
        int n = 1;
        for (const auto& c : corners) {
            const double lat = std::fabs(c[2]), lon = std::fabs(c[3]);
            char line[200];
            std::snprintf(line, sizeof line,
                          "Point%02d,xy,%6.0f,%6.0f,in, deg,%4d,%10.6f,%c,%4d,%10.6f,%c, grid,   ,  ,  ,N\r\n", n++,
                          c[0], c[1], int(lat), (lat - int(lat)) * 60, c[2] < 0 ? 'S' : 'N', int(lon),
                          (lon - int(lon)) * 60, c[3] < 0 ? 'W' : 'E');
            text += line;
        }
        text += "Projection Setup,,,,,,,,,,\r\n";
        test::writeFileBytes(dir / name, text);
    }

    // The corners of a raster as .map calibration points (gdaltransform).
    std::vector<std::array<double, 4>> cornersOf(const std::string& raster, int width, int height) {
        std::vector<std::array<double, 4>> corners;
        std::istringstream in(output("printf '0 0\\n" + std::to_string(width) + " 0\\n0 " + std::to_string(height) +
                                     "\\n" + std::to_string(width) + " " + std::to_string(height) +
                                     "\\n' | gdaltransform -t_srs EPSG:4326 " + raster));
        for (const auto& [x, y] : {std::pair{0, 0}, {width, 0}, {0, height}, {width, height}}) {
            double lon = 0, lat = 0, z = 0;
            in >> lon >> lat >> z;
            corners.push_back({double(x), double(y), lat, lon});
        }
        return corners;
    }
};

TEST_F(GeoMapCli, WaypointsLandWhereGdaltransformPutsThemOnEveryKindOfMap) {
    NUVREL_REQUIRE_RENDERER();
    NUVREL_REQUIRE_REFERENCE(tool("gdal_translate --version") && tool("gdaltransform --version"), "gdal-bin");
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
    struct Case {
        const char* map;
        const char* reference; // the raster gdaltransform places positions on
        double lat, lon;
    };
    const Case cases[] = {
        {"wgs84.tif", "wgs84.tif", kLat, kLon},       {"utm.tif", "utm.tif", kLat, kLon},
        {"mercator.tif", "mercator.tif", kLat, kLon}, {"tiles.mbtiles", "tiles.mbtiles", kLat, kLon},
        {"mark.map", "wgs84.tif", kLat, kLon},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.map) + " at " + std::to_string(c.lat) + " " + std::to_string(c.lon));
        const auto expected = gdaltransform(d + c.reference, c.lon, c.lat, true);
        const auto drawn = waypointPixel(d + c.map, c.lat, c.lon);
        EXPECT_LE(std::fabs(drawn[0] + 0.5 - expected[0]), 0.6) << drawn[0] << " vs " << expected[0];
        EXPECT_LE(std::fabs(drawn[1] + 0.5 - expected[1]), 0.6) << drawn[1] << " vs " << expected[1];
    }
}

TEST_F(GeoMapCli, UtmSheetsCalibratedInTheirProjectionHoldTheirPositionsToTheEdges) {
    NUVREL_REQUIRE_RENDERER();
    NUVREL_REQUIRE_REFERENCE(tool("gdal_translate --version") && tool("gdaltransform --version"), "gdal-bin");
    const std::string d = dir.path().string() + "/";
    const std::string ppm = markedImage();
    // A UTM sheet of 18 km and one of 180 km, each a PNG with a .map in the
    // UTM projection calibrated at its corners; the first names its image in
    // the Windows code page (CP1252) while the name on disk is UTF-8.
    ASSERT_TRUE(tool("gdal_translate -q -of GTiff -outsize 600 600 -a_srs EPSG:32654 -a_ullr 300000 3990000 "
                     "318000 3972000 " + ppm + " " + d + "sheet18.tif"));
    ASSERT_TRUE(tool("gdal_translate -q -of GTiff -outsize 600 600 -a_srs EPSG:32654 -a_ullr 250000 4060000 "
                     "430000 3880000 " + ppm + " " + d + "sheet180.tif"));
    ASSERT_TRUE(tool("gdal_translate -q -of PNG " + d + "sheet18.tif '" + d + "K\xc3\xa4rnten S\xc3\xbc" "d.png'"));
    ASSERT_TRUE(tool("gdal_translate -q -of PNG " + d + "sheet180.tif " + d + "sheet180.png"));
    writeOziMap("sheet18.map", "K\xe4rnten S\xfc" "d.png", "(UTM) Universal Transverse Mercator",
                cornersOf(d + "sheet18.tif", 600, 600));
    writeOziMap("sheet180.map", "sheet180.png", "(UTM) Universal Transverse Mercator",
                cornersOf(d + "sheet180.tif", 600, 600));

    // A latitude/longitude fit of the 180 km sheet is 5 pixels off at its
    // edges; the fit in the sheet's own UTM grid holds everywhere.
    const struct {
        const char* map;
        const char* reference;
        double lat, lon;
    } cases[] = {
        {"sheet18.map", "sheet18.tif", 35.97, 138.82},
        {"sheet180.map", "sheet180.tif", 36.55, 138.4},
        {"sheet180.map", "sheet180.tif", 35.9, 139.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.map) + " at " + std::to_string(c.lat) + " " + std::to_string(c.lon));
        const auto expected = gdaltransform(d + c.reference, c.lon, c.lat, true);
        const auto drawn = waypointPixel(d + c.map, c.lat, c.lon);
        EXPECT_LE(std::fabs(drawn[0] + 0.5 - expected[0]), 0.6) << drawn[0] << " vs " << expected[0];
        EXPECT_LE(std::fabs(drawn[1] + 0.5 - expected[1]), 0.6) << drawn[1] << " vs " << expected[1];
    }
}

TEST_F(GeoMapCli, ACircleOnTheGroundIsDrawnRound) {
    NUVREL_REQUIRE_RENDERER();
    NUVREL_REQUIRE_REFERENCE(tool("gdal_translate --version"), "gdal_translate");
    const std::string d = dir.path().string() + "/";
    test::writeFileBytes(dir / "grey.pgm", "P5 500 500 255\n" + std::string(500 * 500, '\x60'));
    // 30 m pixels round 47 N 11.3 E, in UTM and in Web Mercator (whose
    // pixels are 30 / cos 47 degrees m on the ground there).
    ASSERT_TRUE(tool("gdal_translate -q -a_srs EPSG:32632 -a_ullr 665000 5215000 680000 5200000 " + d + "grey.pgm " +
                     d + "utm.tif"));
    ASSERT_TRUE(tool("gdal_translate -q -a_srs EPSG:3857 -a_ullr 1250000 5946000 1272000 5924000 " + d +
                     "grey.pgm " + d + "mercator.tif"));
    // A circle of 6 km radius (5 km on the Mercator map) on the WGS-84
    // ellipsoid, round the middle of the map.
    for (const auto& [map, lat0, lon0, radius] :
         {std::tuple{"utm.tif", 46.9985, 11.269, 6000.0}, std::tuple{"mercator.tif", 46.9566, 11.3278, 5000.0}}) {
        SCOPED_TRACE(map);
        const double a = 6378137.0, e2 = 0.00669437999014;
        const double s = std::sin(lat0 * M_PI / 180);
        const double m = a * (1 - e2) / std::pow(1 - e2 * s * s, 1.5), n = a / std::sqrt(1 - e2 * s * s);
        std::vector<TrackPoint> points;
        for (int i = 0; i <= 720; ++i) {
            const double t = i * M_PI / 360;
            double lat, lon;
            held(lat0 + radius * std::cos(t) / m * 180 / M_PI,
                 lon0 + radius * std::sin(t) / (n * std::cos(lat0 * M_PI / 180)) * 180 / M_PI, lat, lon);
            points.push_back(pt(lat, lon, std::uint32_t(i)));
        }
        data.setTrack(std::make_unique<IFTGarminTrack>(std::move(points)));
        const auto out = dir / "circle.bmp";
        const CliRun r = runCli(dir, {"render", save(), "-o", out.string(), "--map", d + map});
        ASSERT_EQ(r.status, 0) << r.err;
        const Box circle = boxOf(Bitmap::read(out), [](std::uint32_t c) { return c != 0x606060u; });
        ASSERT_GT(circle.count, 100);
        const double width = circle.right - circle.left + 1, height = circle.bottom - circle.top + 1;
        EXPECT_GT(width, 300);
        EXPECT_NEAR(width / height, 1.0, 0.01) << width << " x " << height;
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

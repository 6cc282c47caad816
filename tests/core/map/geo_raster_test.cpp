// Georeferenced rasters in their own coordinate systems: rasters made by the
// raster library's own tools in the test's folder, positions carried onto
// their pixels compared with gdaltransform, the outside reference; map files
// from strangers open only as the map formats they claim.
#include "core/map/geo_raster.h"
#include "core/map/tiled_map_info.h"
#include "support/outside_reference.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace nuvrel {
namespace {

bool tool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

namespace fs = std::filesystem;

bool haveGdalTools() { return std::system("gdal_translate --version >/dev/null 2>&1") == 0; }

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }


// Root reads and deletes anything, so under root the named case runs again
// as nobody, the way a pilot opens a map set from a club drive.
#define RUN_AS_NOBODY(name)                                                                                      \
    if (::getuid() == 0) {                                                                                       \
        if (::access("/usr/bin/setpriv", X_OK) != 0)                                                             \
            GTEST_SKIP() << "needs setpriv to run as nobody";                                                    \
        const test::ProgramRun r = test::runProgram(                                                             \
            "/usr/bin/setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups",                          \
                                 fs::read_symlink("/proc/self/exe").string(), "--gtest_filter=GeoRaster." name}); \
        EXPECT_EQ(r.status, 0) << r.out << r.err;                                                                \
        EXPECT_NE(r.out.find("[  PASSED  ] 1 test"), std::string::npos) << r.out << r.err;                       \
        return;                                                                                                  \
    }


std::string output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, p))
            out += buffer;
        ::pclose(p);
    }
    return out;
}

struct Place {
    double latitude;
    double longitude;
};

// gdaltransform's raster pixel of each position (given in `srs`).
std::vector<std::array<double, 2>> referencePixels(const std::string& raster, const std::string& srs,
                                                   const std::vector<Place>& places) {
    std::string input;
    for (const Place& p : places)
        input += std::to_string(p.longitude) + " " + std::to_string(p.latitude) + "\n";
    test::TempDir dir;
    test::writeFileBytes(dir / "in.txt", input);
    std::istringstream in(output("gdaltransform -i -t_srs '" + srs + "' " + raster + " < " + (dir / "in.txt").string()));
    std::vector<std::array<double, 2>> pixels;
    double x, y, z;
    while (in >> x >> y >> z)
        pixels.push_back({x, y});
    return pixels;
}

TEST(GeoRaster, PositionsLandOnTheRastersOwnPixelsAsGdaltransformPlacesThem) {
    NUVREL_REQUIRE_REFERENCE(tool("gdal_translate --version") && tool("gdaltransform --version"), "gdal-bin");
    test::TempDir dir;
    const std::string d = dir.path().string() + "/";
    test::writeFileBytes(dir / "seed.pgm", "P5 300 200 255\n" + std::string(300 * 200, '\x60'));
    struct Case {
        const char* name;
        const char* srs;
        const char* bounds; // -a_ullr in the system's units
        const char* extra;  // more gdal_translate options
        Place centre;
    };
    const Case cases[] = {
        {"wgs84", "EPSG:4326", "139.0 36.0 139.4 35.7", "", {35.85, 139.2}},
        {"mercator", "EPSG:3857", "1280000 5960000 1310000 5940000", "", {47.0, 11.63}},
        {"utm32", "EPSG:32632", "660000 5220000 690000 5200000", "-ot UInt16 -scale 0 255 0 4000", {47.04, 11.28}},
        {"utm54s", "EPSG:32754", "300000 6100000 330000 6080000", "", {-35.3, 138.9}},
        {"lambert93", "EPSG:2154", "940000 6460000 970000 6440000", "", {45.11, 6.25}},
        {"swiss", "EPSG:2056", "2600000 1210000 2630000 1190000", "-ot Float32", {46.9, 7.6}},
        {"tokyo", "EPSG:4301", "139.0 36.0 139.4 35.7", "", {35.85, 139.2}},
        {"arctic", "EPSG:3413", "1115000 -637000 1145000 -667000", "", {78.0, 15.0}},
        {"antarctic", "EPSG:3031", "290000 -1279000 320000 -1299000", "", {-77.85, 166.67}},
    };
    for (const char* datumName : {"WGS 84", "Tokyo"}) {
        const MapDatum datum(datumName);
        for (const Case& c : cases) {
            // Another datum on two systems is enough.
            if (std::string(datumName) != "WGS 84" && std::string(c.name) != "utm32" && std::string(c.name) != "tokyo")
                continue;
            SCOPED_TRACE(std::string(c.name) + " in " + datumName);
            const std::string tif = d + c.name + ".tif";
            if (!std::filesystem::exists(tif)) {
                ASSERT_TRUE(tool(std::string("gdal_translate -q ") + c.extra + " -a_srs " + c.srs + " -a_ullr " +
                                 c.bounds + " " + d + "seed.pgm " + tif));
            }
            std::unique_ptr<GeoRaster> raster;
            ASSERT_EQ(GeoRaster::Open(tif, datum.selected(), kMaxMapPixels, raster), "");
            ASSERT_EQ(raster->width(), 300);
            std::vector<Place> places;
            for (int i = -2; i <= 2; ++i)
                places.push_back({c.centre.latitude + i * 0.03, c.centre.longitude + i * 0.04});
            const auto expected = referencePixels(tif, DatumProjString(datum.selected()), places);
            ASSERT_EQ(expected.size(), places.size());
            for (std::size_t i = 0; i < places.size(); ++i) {
                double x = 0, y = 0;
                ASSERT_TRUE(raster->projection()->toRaster(places[i].latitude, places[i].longitude, x, y));
                EXPECT_NEAR(x, expected[i][0], 0.05);
                EXPECT_NEAR(y, expected[i][1], 0.05);
                double lat = 0, lon = 0;
                ASSERT_TRUE(raster->projection()->toPosition(x, y, lat, lon));
                EXPECT_NEAR(lat, places[i].latitude, 1e-6);
                EXPECT_NEAR(lon, places[i].longitude, 1e-6);
            }
            // The box round the map holds its centre.
            const GeoRasterBox& box = raster->box();
            EXPECT_LT(box.bottom, c.centre.latitude);
            EXPECT_GT(box.top, c.centre.latitude);
            EXPECT_LT(box.left, c.centre.longitude);
            EXPECT_GT(box.right, c.centre.longitude);
            // Every kind of band shows its grey, 16-bit and float ones spread
            // over their range, not white.
            std::vector<std::uint32_t> pixels(30 * 20);
            ASSERT_EQ(raster->Read(0, 0, 300, 200, 30, 20, 0xffffff, pixels.data(), 30), "");
            EXPECT_NE(pixels[310], 0xffffffffu);
        }
    }
}

TEST(GeoRaster, EightBitGreyIsShownAsItIsAndReducedReadsAreBounded) {
    NUVREL_REQUIRE_REFERENCE(tool("gdal_translate --version"), "gdal_translate");
    test::TempDir dir;
    test::writeFileBytes(dir / "grey.ppm", "P6 400 300 255\n" + std::string(400 * 300 * 3, '\x80'));
    const std::string tif = (dir / "Grey.TIF").string();
    ASSERT_TRUE(tool("gdal_translate -q -a_srs EPSG:4326 -a_ullr 139 36 139.4 35.7 " + (dir / "grey.ppm").string() +
                     " " + tif));
    ASSERT_TRUE(IsGeoRasterName(tif));
    std::unique_ptr<GeoRaster> raster;
    ASSERT_EQ(GeoRaster::Open(tif, MapDatum("WGS 84").selected(), kMaxMapPixels, raster), "");
    EXPECT_EQ(raster->width(), 400);
    EXPECT_EQ(raster->height(), 300);
    EXPECT_DOUBLE_EQ(raster->box().left, 139);
    EXPECT_DOUBLE_EQ(raster->box().top, 36);
    // A window half off the raster: background where there are no pixels.
    std::vector<std::uint32_t> pixels(100 * 100);
    ASSERT_EQ(raster->Read(-200, 0, 400, 400, 100, 100, 0x00ff00, pixels.data(), 100), "");
    EXPECT_EQ(pixels[10 * 100 + 10], 0xff00ff00u);
    EXPECT_EQ(pixels[10 * 100 + 80], 0xff808080u);
    EXPECT_EQ(pixels[90 * 100 + 80], 0xff00ff00u); // below the last row

    // Over the pixel limit a raster needs an overview within it, and a read
    // that would take more than the limit from the file comes from that
    // overview: black and white squares of one pixel, averaged to grey in
    // the overview. A window within the limit keeps the raster's own pixels.
    std::string squares = "P5 400 300 255\n";
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            squares += (x + y) % 2 ? '\xff' : '\x00';
    test::writeFileBytes(dir / "squares.pgm", squares);
    const std::string checked = (dir / "squares.tif").string();
    ASSERT_TRUE(tool("gdal_translate -q -a_srs EPSG:4326 -a_ullr 139 36 139.4 35.7 " +
                     (dir / "squares.pgm").string() + " " + checked));
    EXPECT_EQ(GeoRaster::Open(checked, MapDatum("WGS 84").selected(), 30'000, raster),
              checked + " is 400 x 300 pixels, more than the program's pixel limit, and has no overview within it "
                        "(gdaladdo adds them)");
    ASSERT_TRUE(tool("gdaladdo -q -r average " + checked + " 2 4"));
    const struct {
        std::int64_t limit;
        double x, y, w, h; // the window, whole raster pixels read one to one
        bool own;          // the raster's own black and white pixels shown
    } reads[] = {{kMaxMapPixels, 0, 0, 400, 300, true},
                 {30'000, 0, 0, 400, 300, false},
                 {30'000, 100, 100, 100, 100, true}};
    for (const auto& r : reads) {
        SCOPED_TRACE(std::to_string(r.limit) + " " + std::to_string(r.w));
        ASSERT_EQ(GeoRaster::Open(checked, MapDatum("WGS 84").selected(), r.limit, raster), "");
        EXPECT_EQ(raster->width(), 400);
        const int w = int(r.w), h = int(r.h);
        std::vector<std::uint32_t> picture(std::size_t(w) * h);
        ASSERT_EQ(raster->Read(r.x, r.y, r.w, r.h, w, h, 0x00ff00, picture.data(), w), "");
        const std::uint32_t grey = picture[std::size_t(h / 2) * w + w / 2] & 0xff;
        if (r.own) {
            EXPECT_TRUE(grey == 0 || grey == 255) << grey;
        } else {
            EXPECT_NEAR(double(grey), 127.5, 1) << grey;
        }
    }
}

TEST(GeoRaster, AcrossTheAntimeridianPositionsLandOnTheirSideAndAPoleInsideIsRefused) {
    NUVREL_REQUIRE_REFERENCE(tool("gdal_translate --version"), "gdal_translate");
    test::TempDir dir;
    const std::string d = dir.path().string() + "/";
    test::writeFileBytes(dir / "seed.pgm", "P5 400 400 255\n" + std::string(400 * 400, '\x60'));
    const MapDatum wgs84("WGS 84");
    struct Case {
        const char* srs;
        const char* bounds;
        double x; // the raster column of 0 N 179.9 W (400 columns)
    };
    for (const Case& c : {Case{"EPSG:4326", "179.8 0.2 180.2 -0.2", 300},
                          Case{"EPSG:3857", "20015000 22000 20060000 -22000", 0},
                          Case{"EPSG:32601", "155000 22000 200000 -22000", 0}}) {
        SCOPED_TRACE(c.srs);
        const std::string tif = d + "across.tif";
        std::filesystem::remove(tif);
        ASSERT_TRUE(tool(std::string("gdal_translate -q -a_srs ") + c.srs + " -a_ullr " + c.bounds + " " + d +
                         "seed.pgm " + tif));
        std::unique_ptr<GeoRaster> raster;
        ASSERT_EQ(GeoRaster::Open(tif, wgs84.selected(), kMaxMapPixels, raster), "");
        double x = 0, y = 0, east = 0, ey = 0;
        ASSERT_TRUE(raster->projection()->toRaster(0, -179.9, x, y));
        ASSERT_TRUE(raster->projection()->toRaster(0, 179.9, east, ey));
        // West of the antimeridian is right of it on the map.
        EXPECT_GT(x, east);
        EXPECT_GT(x, 0);
        EXPECT_LT(x, 400);
        EXPECT_NEAR(y, 200, 1);
        if (c.x > 0) {
            EXPECT_NEAR(x, c.x, 1e-6);
        }
        // The box runs on across it.
        EXPECT_LT(raster->box().left, 180);
        EXPECT_GT(raster->box().right, 180);
        EXPECT_LT(raster->box().right - raster->box().left, 1);
    }
    // Polar stereographic round the North Pole.
    const std::string polar = d + "polar.tif";
    ASSERT_TRUE(tool("gdal_translate -q -a_srs EPSG:3413 -a_ullr -100000 100000 100000 -100000 " + d + "seed.pgm " +
                     polar));
    std::unique_ptr<GeoRaster> raster;
    EXPECT_EQ(GeoRaster::Open(polar, wgs84.selected(), kMaxMapPixels, raster),
              polar + ": the North Pole lies inside this map; a map around a pole can't be shown");
    EXPECT_FALSE(raster);
}

// Each map is made so that the raster library with all its drivers would
// reach into the folder "private" (a mode-600 file, an old file in a cache
// folder): the full library's tools confirm what each file really is. Loaded
// as a map, it is refused or opens without its trap, and nothing in the
// folder is opened, read, written or deleted.
TEST(GeoRaster, MapFilesFromStrangersCannotReachOtherFiles) {
    RUN_AS_NOBODY("MapFilesFromStrangersCannotReachOtherFiles");
    NUVREL_REQUIRE_REFERENCE(haveGdalTools(), "gdal_translate");
    const auto rawVrt = [](const fs::path& source, int side) {
        return "<VRTDataset rasterXSize=\"" + std::to_string(side) + "\" rasterYSize=\"" + std::to_string(side) +
               "\"><SRS>EPSG:4326</SRS><GeoTransform>139, 0.01, 0, 36, 0, -0.01</GeoTransform>"
               "<VRTRasterBand dataType=\"Byte\" band=\"1\" subClass=\"VRTRawRasterBand\"><SourceFilename "
               "relativeToVRT=\"0\">" +
               source.string() + "</SourceFilename><ImageOffset>0</ImageOffset><PixelOffset>1</PixelOffset><LineOffset>" +
               std::to_string(side) + "</LineOffset></VRTRasterBand></VRTDataset>";
    };
    const auto wms = [](const fs::path& cache) {
        return "<GDAL_WMS><Service name=\"TMS\"><ServerUrl>file://" + cache.string() +
               "/${z}/${x}/${y}.png</ServerUrl></Service><DataWindow><UpperLeftX>-20037508.34</UpperLeftX>"
               "<UpperLeftY>20037508.34</UpperLeftY><LowerRightX>20037508.34</LowerRightX><LowerRightY>-20037508.34"
               "</LowerRightY><TileLevel>1</TileLevel><TileCountX>1</TileCountX><TileCountY>1</TileCountY>"
               "<YOrigin>top</YOrigin></DataWindow><Projection>EPSG:3857</Projection><BlockSizeX>256</BlockSizeX>"
               "<BlockSizeY>256</BlockSizeY><BandsCount>3</BandsCount><Cache><Path>" +
               cache.string() + "</Path><Expires>1</Expires><CleanTimeout>1</CleanTimeout></Cache></GDAL_WMS>";
    };
    const std::string ozi = "OziExplorer Map Data File Version 2.2\nm\nimage.png\n1 ,Map Code,\nWGS 84,WGS 84\n"
                            "Point01,xy,0,0,in, deg,36,0,N,139,0,E, grid\n"
                            "Point02,xy,64,0,in, deg,36,0,N,139,24,E, grid\n"
                            "Point03,xy,0,64,in, deg,35,42,N,139,0,E, grid\n";
    const struct Case {
        const char* what;
        const char* map;
        const char* fullLibrarySees; // in gdalinfo's or gdalmanage's output
        const char* refused;         // the file the refusal names
        const char* refusal;         // "" when the map opens
    } cases[] = {
        {"tile service description with a cache", "x.tif", "WMS", "x.tif", " is not a map format this program reads"},
        {"virtual raster reading a private file", "x.tif", "VRT", "x.tif", " is not a map format this program reads"},
        {"calibrated image that is a virtual raster", "m.map", "VRT", "image.png",
         " is not a map format this program reads"},
        {"GeoTIFF whose overview is a virtual raster", "g.tif", "Overviews: 32x32", "",
         " is 64 x 64 pixels, more than the program's pixel limit, and has no overview within it (gdaladdo adds them)"},
        {"network name", "/vsicurl/http://127.0.0.1:9/x.tif", nullptr, "", " is not a map file on this computer"},
    };
    const MapDatum wgs84("WGS 84");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const fs::path secret = dir / "private" / "flights.txt";
        fs::create_directory(dir / "private");
        test::writeFileBytes(secret, std::string(64 * 64, 'S'));
        fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
        test::writeFileBytes(dir / "private" / "old.txt", "kept");
        fs::last_write_time(dir / "private" / "old.txt", fs::file_time_type::clock::now() - std::chrono::hours(2));
        const std::string what = c.what;
        const fs::path map = c.map[0] == '/' ? fs::path(c.map) : dir / c.map;
        std::string probe = "gdalmanage identify " + map.string();
        if (what.starts_with("tile")) {
            test::writeFileBytes(map, wms(dir / "private"));
        } else if (what.starts_with("virtual")) {
            test::writeFileBytes(map, rawVrt(secret, 64));
        } else if (what.starts_with("calibrated")) {
            test::writeFileBytes(map, ozi);
            test::writeFileBytes(dir / "image.png", rawVrt(secret, 64));
            probe = "gdalmanage identify " + (dir / "image.png").string();
        } else if (what.starts_with("GeoTIFF")) {
            test::writeFileBytes(dir / "plain.ppm", "P6 64 64 255\n" + std::string(64 * 64 * 3, '\x80'));
            ASSERT_TRUE(run("gdal_translate -a_srs EPSG:4326 -a_ullr 139 36 139.64 35.36 " +
                            (dir / "plain.ppm").string() + " " + map.string()));
            test::writeFileBytes(map.string() + ".ovr", rawVrt(secret, 32));
            probe = "gdalinfo " + map.string();
        }
        if (c.fullLibrarySees) {
            ASSERT_NE(output(probe).find(c.fullLibrarySees), std::string::npos) << probe;
        }

        const int watch = ::inotify_init1(IN_NONBLOCK);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, (dir / "private").c_str(), IN_ALL_EVENTS), 0);
        std::unique_ptr<GeoRaster> raster;
        std::string said = GeoRaster::Open(map.string(), wgs84.selected(), 16 * 16, raster);
        // Reduced, the picture is read from the overview.
        std::vector<std::uint32_t> pixels(16 * 16);
        if (raster)
            said += raster->Read(0, 0, raster->width(), raster->height(), 16, 16, 0xffffff, pixels.data(), 16);
        char events[4096];
        EXPECT_LE(::read(watch, events, sizeof events), 0) << "the private folder was touched";
        ::close(watch);
        const std::string refused = c.refused[0] ? (dir / c.refused).string() : map.string();
        EXPECT_EQ(said, c.refusal[0] ? refused + c.refusal : std::string());
        EXPECT_EQ(test::readFileBytes(dir / "private" / "old.txt"), "kept");
        if (!c.refusal[0]) {
            EXPECT_EQ(pixels[8 * 16 + 8], 0xff808080u);
        }
    }
}

} // namespace
} // namespace nuvrel

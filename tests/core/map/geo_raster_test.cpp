// Georeferenced rasters: larger than the pixel cap they are read coarser,
// from an overview, and say so; map files from strangers open only as the map formats they claim.
#include "core/map/geo_raster.h"
#include "support/test_support.h"
#include "support/outside_reference.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace nuvrel {
namespace {

namespace fs = std::filesystem;

bool haveGdalTools() { return std::system("gdal_translate --version >/dev/null 2>&1") == 0; }

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

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

TEST(GeoRaster, ASourceOverThePixelCapIsReadCoarserAndSaysSo) {
    NUVREL_REQUIRE_REFERENCE(haveGdalTools(), "gdal_translate");
    test::TempDir dir;
    test::writeFileBytes(dir / "grey.ppm", "P6 400 300 255\n" + std::string(400 * 300 * 3, '\x80'));
    const std::string tif = (dir / "Grey.TIF").string();
    ASSERT_EQ(std::system(("gdal_translate -q -a_srs EPSG:4326 -a_ullr 139 36 139.4 35.7 " + (dir / "grey.ppm").string() +
                           " " + tif)
                              .c_str()),
              0);
    ASSERT_TRUE(IsGeoRasterName(tif));
    const MapDatum wgs84("WGS 84");
    GeoRasterImage full, reduced;
    ASSERT_EQ(LoadGeoRaster(tif, wgs84.selected(), 0xffffff, 120'000'000, full), "");
    EXPECT_EQ(full.width, 400);
    EXPECT_EQ(full.height, 300);
    EXPECT_EQ(full.note, "");
    EXPECT_EQ(full.argb[150 * 400 + 200], 0xff808080u);
    EXPECT_DOUBLE_EQ(full.kei_left, 139);
    EXPECT_DOUBLE_EQ(full.ido_top, 36);

    // Over the cap, what is read must be within it too: from an overview.
    EXPECT_EQ(LoadGeoRaster(tif, wgs84.selected(), 0xffffff, 30'000, reduced),
              tif + " is 400 x 300 pixels, more than the program's pixel limit, and has no overview within it "
                    "(gdaladdo adds them)");
    ASSERT_TRUE(run("gdaladdo " + tif + " 2 4"));
    ASSERT_EQ(LoadGeoRaster(tif, wgs84.selected(), 0xffffff, 30'000, reduced), "");
    EXPECT_LE(std::int64_t{reduced.width} * reduced.height, 30'000);
    EXPECT_GE(reduced.width, 195);
    EXPECT_EQ(reduced.note, "Grey.TIF is shown at 50% of its resolution, the most the program's pixel limit allows");
    EXPECT_NEAR(reduced.kei_right, 139.4, 1e-9);
    EXPECT_NEAR(reduced.ido_bottom, 35.7, 1e-9);
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
        GeoRasterImage image;
        const std::string said = LoadGeoRaster(map.string(), wgs84.selected(), 0xffffff, 16 * 16, image);
        char events[4096];
        EXPECT_LE(::read(watch, events, sizeof events), 0) << "the private folder was touched";
        ::close(watch);
        const std::string refused = c.refused[0] ? (dir / c.refused).string() : map.string();
        EXPECT_EQ(said, c.refusal[0] ? refused + c.refusal : std::string());
        EXPECT_EQ(test::readFileBytes(dir / "private" / "old.txt"), "kept");
        if (!c.refusal[0]) {
            EXPECT_EQ(image.argb[image.argb.size() / 2], 0xff808080u);
        }
    }
}

} // namespace
} // namespace nuvrel

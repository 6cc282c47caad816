// Georeferenced rasters larger than the pixel cap are read coarser, and say so.
#include "core/map/geo_raster.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace nuvrel {
namespace {

TEST(GeoRaster, ASourceOverThePixelCapIsReadCoarserAndSaysSo) {
    if (std::system("gdal_translate --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "gdal_translate is missing (scripts/install-deps installs gdal-bin)";
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

    ASSERT_EQ(LoadGeoRaster(tif, wgs84.selected(), 0xffffff, 30'000, reduced), "");
    EXPECT_LE(std::int64_t{reduced.width} * reduced.height, 30'000);
    EXPECT_GE(reduced.width, 195);
    EXPECT_EQ(reduced.note, "Grey.TIF is shown at 50% of its resolution, the most the program's pixel limit allows");
    EXPECT_NEAR(reduced.kei_right, 139.4, 1e-9);
    EXPECT_NEAR(reduced.ido_bottom, 35.7, 1e-9);
}

} // namespace
} // namespace nuvrel

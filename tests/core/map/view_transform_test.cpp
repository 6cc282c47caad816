#include "core/map/ift_map_param.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace nuvrel {
namespace {

IFTMapParam map1004() {
    IFTMapParam p;
    p.ido_top = 35.527307;
    p.ido_bottom = 35.472693;
    p.kei_left = 139.45103;
    p.kei_right = 139.54897;
    p.bitmap_width = 1004;
    p.bitmap_height = 632;
    return p;
}

TEST(ViewTransform, CornersMapToTheBitmapCorners) {
    // Edges exact in binary: the products then land exactly on the corners
    // (other edges may truncate to one pixel less at the far corner).
    IFTMapParam p = map1004();
    p.ido_top = 35.75;
    p.ido_bottom = 35.25;
    p.kei_left = 139.375;
    p.kei_right = 139.625;
    ASSERT_TRUE(p.HasUsableTransform());
    const ViewTransform t = ViewTransform::forCalibration(p);
    EXPECT_EQ(t.PositionToPixel(p.ido_top, p.kei_left), (Pixel{0, 0}));
    EXPECT_EQ(t.PositionToPixel(p.ido_bottom, p.kei_right), (Pixel{1004, 632}));
    EXPECT_EQ(t.PositionToPixel(p.ido_bottom, p.kei_left), (Pixel{0, 632}));

    double lat = 0, lon = 0;
    t.PixelToPosition(502, 316, lat, lon);
    EXPECT_DOUBLE_EQ(lat, 35.5);
    EXPECT_DOUBLE_EQ(lon, 139.5);
    t.PixelToPosition(0, 0, lat, lon);
    EXPECT_DOUBLE_EQ(lat, p.ido_top);
    EXPECT_DOUBLE_EQ(lon, p.kei_left);
}

TEST(ViewTransform, RowsTruncateBeforeOrAfterTheSubtraction) {
    IFTMapParam p;
    p.ido_top = 10;
    p.ido_bottom = 0;
    p.kei_left = 0;
    p.kei_right = 10;
    p.bitmap_width = 100;
    p.bitmap_height = 100;
    const ViewTransform t = ViewTransform::forCalibration(p);
    // 2.55 degrees up is 25.5 rows: the track rounds 25.5 down before the
    // subtraction (row 75), the route pass truncates 74.5 (row 74).
    EXPECT_EQ(t.PositionToPixel(2.55, 3.33), (Pixel{33, 75}));
    EXPECT_EQ(t.RoutePixel(2.55, 3.33), (Pixel{33, 74}));
    // West of the map truncates toward zero.
    EXPECT_EQ(t.PositionToPixel(5, -0.05).x, 0);
    EXPECT_EQ(t.PositionToPixel(5, -0.15).x, -1);
}

TEST(ViewTransform, ValidityAndUsability) {
    IFTMapParam p = map1004();
    EXPECT_TRUE(p.HasValidCalibration());
    std::swap(p.ido_top, p.ido_bottom);
    EXPECT_FALSE(p.HasValidCalibration());
    EXPECT_TRUE(p.HasUsableTransform()); // upside down, but no division by zero

    IFTMapParam zero;
    EXPECT_FALSE(zero.HasValidCalibration());
    EXPECT_FALSE(zero.HasUsableTransform());
    IFTMapParam flat = map1004();
    flat.kei_right = flat.kei_left;
    EXPECT_FALSE(flat.HasUsableTransform());
    IFTMapParam empty = map1004();
    empty.bitmap_height = 0;
    EXPECT_FALSE(empty.HasUsableTransform());
    IFTMapParam inf = map1004();
    inf.ido_top = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(inf.HasUsableTransform());
}

TEST(ViewTransform, FarPositionsDoNotOverflow) {
    EXPECT_EQ(truncToInt(1e300), 1 << 30);
    EXPECT_EQ(truncToInt(-1e300), -(1 << 30));
    EXPECT_EQ(truncToInt(std::nan("")), 0);
    EXPECT_EQ(truncToInt(-2.9), -2);
}

} // namespace
} // namespace nuvrel

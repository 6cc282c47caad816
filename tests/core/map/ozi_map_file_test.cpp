// OziExplorer .map files: what is read of them and the fitted calibration.
#include "core/map/ozi_map_file.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

const std::string kHead = "OziExplorer Map Data File Version 2.2\r\nAlps\r\nD:\\Maps\\alps.jpg\r\n1 ,Map Code,\r\n"
                          "Tokyo,WGS 84,   0.0000,   0.0000,WGS 84\r\n";

TEST(OziMapFile, ReadsPointsInEveryHemisphereAndSkipsUnusedSlots) {
    OziMapFile map;
    ASSERT_EQ(ParseOziMap(kHead +
                              "Point01,xy,   10,   20,in, deg,  35, 30.0000,N, 139, 15.0000,E, grid, , , ,N\r\n"
                              "Point02,xy,  110,   20,in, deg,  12,  6.0000,S,  70, 45.0000,W, grid, , , ,N\r\n"
                              "Point03,xy,     ,     ,in, deg,    ,        ,N,    ,        ,E, grid, , , ,N\r\n"
                              "Point04,xy,   10,  220,in, deg,   0,  0.0000,N,   0, 30.0000,W, grid, , , ,N\r\n",
                          map),
              "");
    EXPECT_EQ(map.datumName, "Tokyo");
    EXPECT_EQ(OziImageBaseName(map.imageName), "alps.jpg");
    ASSERT_EQ(map.points.size(), 3u);
    EXPECT_DOUBLE_EQ(map.points[0].latitude, 35.5);
    EXPECT_DOUBLE_EQ(map.points[0].longitude, 139.25);
    EXPECT_DOUBLE_EQ(map.points[1].latitude, -12.1);
    EXPECT_DOUBLE_EQ(map.points[1].longitude, -70.75);
    EXPECT_DOUBLE_EQ(map.points[2].y, 220);
}

TEST(OziMapFile, RefusesWhatCannotCalibrate) {
    const struct {
        std::string text;
        std::string says;
    } cases[] = {
        {"Map Data\r\n", "not an OziExplorer map file"},
        {kHead + "Point01,xy,0,0,in, deg,1,0,N,1,0,E\r\nPoint02,xy,9,0,in, deg,1,0,N,2,0,E\r\n",
         "only 2 calibration points; at least 3 are needed"},
        {kHead + "Point01,xy,0,0,in, deg,1,0,Q,1,0,E\r\n", "calibration point on line 6 can't be read"},
    };
    for (const auto& c : cases) {
        OziMapFile map;
        EXPECT_NE(ParseOziMap(c.text, map).find(c.says), std::string::npos) << c.text;
    }
}

TEST(OziMapFile, FitsTheAffineByLeastSquares) {
    // Four points of lon = 139 + x / 1000, lat = 36 - y / 2000, the last one
    // 0.001 deg north: the fit shares the error out; collinear points fit none.
    std::vector<OziMapPoint> points = {
        {0, 0, 36, 139}, {1000, 0, 36, 140}, {0, 2000, 35, 139}, {1000, 2000, 35.001, 140}};
    std::array<double, 6> g;
    ASSERT_TRUE(FitOziAffine(points, g));
    EXPECT_NEAR(g[0], 139, 1e-9);
    EXPECT_NEAR(g[1], 0.001, 1e-9);
    EXPECT_NEAR(g[2], 0, 1e-9);
    EXPECT_NEAR(g[3], 36 - 0.00025, 1e-9);
    EXPECT_NEAR(g[4], 0.0000005, 1e-12);
    EXPECT_NEAR(g[5], -0.00049975, 1e-12);
    EXPECT_FALSE(FitOziAffine({{0, 0, 1, 1}, {1, 1, 2, 2}, {2, 2, 3, 3}}, g));
}

} // namespace
} // namespace nuvrel

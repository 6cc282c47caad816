#include "core/formats/pcx5_format.h"
#include "sample_data.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace nuvrel {
namespace {

using test::goldenPath;
using test::readFileBytes;

TEST(Pcx5Writer, GoldenFilesByteForByte) {
    const PCX5 pcx5(DatumInfo{}, test::kFrozenNow);
    TextSink track, waypoints, routes;
    pcx5.writeTrack(track, test::sampleTrack(), -32400);
    pcx5.writeWaypoints(waypoints, test::sampleWaypoints());
    pcx5.writeRoutes(routes, test::sampleRoutes());
    EXPECT_EQ(track.text(), readFileBytes(goldenPath("track.trk")));
    EXPECT_EQ(waypoints.text(), readFileBytes(goldenPath("waypoints.wpt")));
    EXPECT_EQ(routes.text(), readFileBytes(goldenPath("routes.rte")));
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t p = 0;
    while (p < text.size()) {
        const std::size_t e = text.find("\r\n", p);
        out.push_back(text.substr(p, e - p));
        p = e + 2;
    }
    return out;
}

TEST(Pcx5Writer, ColumnsOfTheRecordLines) {
    const PCX5 pcx5(DatumInfo{}, test::kFrozenNow);
    TextSink track, waypoints;
    const std::vector<TrackPoint> points = {test::makePoint(-35.25, 5.25, -12.5f, 1, 983761200)};
    pcx5.writeTrack(track, points, 0);
    const std::vector<WaypointRecord> wpts = {test::makeWaypoint("AB", "", 35.0, 5.25, 12.5f, 0, 7, 0)};
    pcx5.writeWaypoints(waypoints, wpts);
    const auto t = lines(track.text());
    EXPECT_EQ(t.back(), "T  -35.2500000  +5.2500000 05-MAR-01 03:00:00 -0013");
    const auto w = lines(waypoints.text());
    EXPECT_EQ(w.back(), "W  AB     +35.0000000 +05.2500000 14-NOV-23 22:13:20 00013 " + std::string(40, ' ') +
                            " 0.00000e+00      7");
}

TEST(Pcx5Writer, RoutesAreNumberedByStoreIndexAndNamesCut) {
    std::vector<CRouteField::Route> routes(3);
    routes[0].name = "EMPTY";
    routes[1].name = "A VERY LONG ROUTE NAME OF MANY WORDS";
    routes[1].entries = {test::makeEntry("IDENTIFIER", "", 1, 2, 0)};
    routes[2].name = "\xE6\x9D\xB1\xE4\xBA\xAC\xE6\x9D\xB1\xE4\xBA\xAC\xE6\x9D\xB1\xE4\xBA\xAC\xE6\x9D\xB1"; // 7 x 3 bytes
    routes[2].entries = {test::makeEntry("X", "", 1, 2, 0)};
    TextSink out;
    PCX5(DatumInfo{}, 0).writeRoutes(out, routes);
    const auto l = lines(out.text());
    EXPECT_NE(std::find(l.begin(), l.end(), "R  01  A VERY LONG ROUTE NA"), l.end());
    EXPECT_NE(std::find(l.begin(), l.end(), "W  IDENTI +1.0000000  +2.0000000 01-JAN-70 00:00:00 00000 " +
                                                std::string(40, ' ') + " 0.00000e+00"),
              l.end());
    // Six whole characters (18 bytes) and two blanks: never half a character.
    EXPECT_NE(std::find(l.begin(), l.end(), "R  02  " + routes[2].name.substr(0, 18) + "  "), l.end());
}

// The segment count is the last point's number read unsigned: a last point
// of segment -1 leaves the segments before it in the export.
TEST(Pcx5Writer, LastSegmentMinusOneStillExports) {
    std::vector<TrackPoint> points = {test::makePoint(1, 1, 0, 1, 983761200), test::makePoint(2, 2, 0, 2, 983761200),
                                      test::makePoint(3, 3, 0, -1, 983761200)};
    TextSink out;
    PCX5(DatumInfo{}, 0).writeTrack(out, points, 0);
    const auto l = lines(out.text());
    EXPECT_EQ(std::count_if(l.begin(), l.end(), [](const std::string& s) { return s.rfind("T  ", 0) == 0; }), 3);
}

TEST(Pcx5Writer, SegmentsStopAtTheFirstMissingOne) {
    std::vector<TrackPoint> points = {test::makePoint(1, 1, 0, 1, 983761200), test::makePoint(2, 2, 0, 3, 983761200)};
    TextSink out;
    PCX5(DatumInfo{}, 0).writeTrack(out, points, 0);
    const auto l = lines(out.text());
    EXPECT_EQ(std::count_if(l.begin(), l.end(), [](const std::string& s) { return s.rfind("T  ", 0) == 0; }), 1);
}

} // namespace
} // namespace nuvrel

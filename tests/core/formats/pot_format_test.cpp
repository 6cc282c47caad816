#include "core/formats/pot_format.h"
#include "core/formats/text_lines.h"
#include "sample_data.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace nuvrel {
namespace {

using test::goldenPath;
using test::readFileBytes;
using test::ZoneScope;

template <typename Reader>
Reader feed(Reader reader, std::string_view text) {
    forEachLine(text, [&](std::string_view l) { return reader.line(l); });
    return reader;
}

TEST(PotWriter, GoldenFilesByteForByte) {
    const DatumInfo tokyo;
    TextSink track, waypoints, routes;
    writePotTrack(track, test::sampleTrack(), tokyo);
    writePotWaypoints(waypoints, test::sampleWaypoints(), tokyo);
    writePotRoutes(routes, test::sampleRoutes(), tokyo);
    EXPECT_EQ(track.text(), readFileBytes(goldenPath("track.pot")));
    EXPECT_EQ(waypoints.text(), readFileBytes(goldenPath("waypoints.pot")));
    EXPECT_EQ(routes.text(), readFileBytes(goldenPath("routes.pot")));
}

TEST(PotWriter, DatumLineNamesTheSelectedDatum) {
    DatumInfo austria{13, "Austria NS", "Bessel_1841", 739.845, 0.10037483e-4, 596, 87, 473};
    EXPECT_EQ(potDatumLine(austria), "Dat=Austria NS/Bessel_1841/739.845/0.10037483/596/87/473/");
}

TEST(PotWriter, AngleFormsAndSigns) {
    EXPECT_EQ(POT::formatAngle(35 + 39 / 60.0 + 29.1 / 3600), "035'39'29'1");
    EXPECT_EQ(POT::formatAngle(-35.5), "-35'30'00'0");
    EXPECT_EQ(POT::formatAngle(-139.77), "-139'46'12'0");
    EXPECT_EQ(POT::formatAngle(-0.25), "-00'15'00'0"); // keeps its sign below one degree
    EXPECT_EQ(POT::formatAngle(0), "000'00'00'0");
    for (double x : {-0.25, -0.999, 0.5, -35.5, 139.77})
        EXPECT_NEAR(POT::parseAngle(POT::formatAngle(x)), x, 0.1 / 3600);
}

TEST(PotWriter, AltitudeTruncatesTowardZero) {
    POT p;
    p.text = "A:b";
    p.altitude = -12.9;
    EXPECT_NE(p.waypointLine().find("/altitude=-0012/"), std::string::npos);
    p.altitude = 1e30; // clamped, never undefined
    EXPECT_NE(p.waypointLine().find("/altitude=2147483647/"), std::string::npos);
}

TEST(PotParse, ItemsInAnyOrderAndCase) {
    POT p;
    EXPECT_EQ(p.parse("ORD=POI/tex=/ido=035'39'29'1/kei=139'46'12'0/altitude=00012/pdate=05-MAR-01/"
                      "ptime=03:00:00/col=14/lev=8/adr=1"),
              POT::kTrackPoint);
    EXPECT_DOUBLE_EQ(p.latitude, 35 + 39 / 60.0 + 29.1 / 3600);
    EXPECT_DOUBLE_EQ(p.longitude, 139.77);
    EXPECT_EQ(p.time, 983761200);
    EXPECT_EQ(p.address, 1);

    EXPECT_EQ(p.parse("AdR=7/KEI=001'00'00'0/TEXT=Name:comment/Ido=-00'30'00'0/DEG=090"), POT::kRoutePoint);
    EXPECT_EQ(p.text, "Name:comment");
    EXPECT_DOUBLE_EQ(p.latitude, -0.5);
    EXPECT_DOUBLE_EQ(p.longitude, 1.0);
    EXPECT_DOUBLE_EQ(p.direction, 90);
    EXPECT_EQ(p.address, 7);

    EXPECT_EQ(p.parse("tex=WPT/ido=1/kei=2"), POT::kWaypoint);
    EXPECT_EQ(p.parse("tex=/ido=10/kei=20/x"), POT::kNone); // empty text, no address
    EXPECT_EQ(p.parse("tex=ABC"), POT::kNone);              // nine characters or fewer
    EXPECT_EQ(p.parse("ALT=5/ALTI=6/ido=1/adr=3"), POT::kTrackPoint);
    EXPECT_EQ(p.altitude, 0); // ALT is not ALTITUDE
}

TEST(PotParse, DatesAndMissingParts) {
    POT p;
    p.parse("ORD=POI/pdate=01-jan-05/adr=1");
    EXPECT_EQ(p.time, 1104537600); // 2005-01-01
    p.parse("ORD=POI/pdate=01-JAN-99/ptime=12:34:56/adr=1");
    EXPECT_EQ(p.time, 915148800 + 12 * 3600 + 34 * 60 + 56);
    p.parse("ORD=POI/pdate=01-XYZ-99/adr=1"); // no month matches: January
    EXPECT_EQ(p.time, 915148800);
    p.parse("ORD=POI/ido='''/kei=12/ptime=1/altitude=abc/adr=1");
    EXPECT_EQ(p.latitude, 0);
    EXPECT_EQ(p.longitude, 12);
    EXPECT_EQ(p.altitude, 0);
    EXPECT_EQ(p.time, 3600);
}

TEST(PotParse, DatesAreLocalTime) {
    ZoneScope zone("JST-9");
    POT p;
    p.parse("ORD=POI/pdate=05-MAR-01/ptime=12:00:00/adr=1");
    EXPECT_EQ(p.time, 983761200); // 12:00 JST is 03:00 UTC
}

TEST(PotRead, TrackSegmentsFollowAddressChanges) {
    const std::string a = readFileBytes(goldenPath("track.pot"));
    // Two files concatenated: the second one's adr 1 after adr 2 opens a third segment.
    auto points = feed(PotTrackReader{}, a + a).take();
    ASSERT_EQ(points.size(), 6u);
    const std::int16_t expected[] = {1, 1, 2, 3, 3, 4};
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(points[i].segment, expected[i]) << i;
    const auto sample = test::sampleTrack();
    EXPECT_EQ(points[0].time, sample[0].time);
    EXPECT_NEAR(points[1].latitude, -0.5, 1e-9);
    EXPECT_NEAR(points[1].longitude, -5.25, 1e-9);
    EXPECT_EQ(points[1].altitude, -12.0f);
    EXPECT_NEAR(points[2].latitude, sample[2].latitude, 0.1 / 3600);
}

TEST(PotRead, LinesWithoutAddressAreSkippedOnTrackImport) {
    auto points = feed(PotTrackReader{}, "ORD=POI/tex=/ido=1/kei=2/pdate=01-JAN-99\n"
                                         "ORD=POI/tex=/ido=3/kei=4/adr=5\n")
                      .take();
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].latitude, 3);
    EXPECT_EQ(points[0].segment, 1);
}

TEST(PotRead, WaypointTextSplitsAtAnEarlyColon) {
    std::string ident, comment;
    PotWaypointReader::splitText("ABCDEFGH", ident, comment);
    EXPECT_EQ(ident, "ABCDEF");
    EXPECT_EQ(comment, "GH");
    PotWaypointReader::splitText("AB:cd:ef", ident, comment);
    EXPECT_EQ(ident, "AB");
    EXPECT_EQ(comment, "cd:ef");
    PotWaypointReader::splitText("ABCDEF:x", ident, comment); // the colon right after six characters
    EXPECT_EQ(ident, "ABCDEF");
    EXPECT_EQ(comment, "x");
    PotWaypointReader::splitText("ABCDEFG:x", ident, comment);
    EXPECT_EQ(ident, "ABCDEF");
    EXPECT_EQ(comment, "G:x");
    // Characters, not bytes: 富士山 (three 3-byte characters) stays whole.
    PotWaypointReader::splitText("\xE5\xAF\x8C\xE5\xA3\xAB\xE5\xB1\xB1:c", ident, comment);
    EXPECT_EQ(ident, "\xE5\xAF\x8C\xE5\xA3\xAB\xE5\xB1\xB1");
    EXPECT_EQ(comment, "c");
    PotWaypointReader::splitText("AB\xE6\x9D\xB1\xE4\xBA\xAC\xE6\x9D\xB1\xE4\xBA\xACxy", ident, comment);
    EXPECT_EQ(ident, "AB\xE6\x9D\xB1\xE4\xBA\xAC\xE6\x9D\xB1\xE4\xBA\xAC");
    EXPECT_EQ(comment, "xy");
}

TEST(PotRead, WaypointsRoundTrip) {
    auto w = feed(PotWaypointReader{3}, readFileBytes(goldenPath("waypoints.pot"))).take();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_STREQ(w[0].ident, "TOKYO");
    EXPECT_STREQ(w[0].comment, "station");
    EXPECT_EQ(w[0].display, 3);
    EXPECT_EQ(w[0].symbol, 0);
    EXPECT_EQ(w[0].altitude, 3.0f);
    EXPECT_NEAR(w[0].latitude, 35.681236, 0.1 / 3600);
    EXPECT_STREQ(w[1].ident, "LONGNA");
    EXPECT_STREQ(w[1].comment, "ME12:a long comment for cutting at forty characters here");
    EXPECT_NEAR(w[1].longitude, -70.25, 1e-9);
}

TEST(PotRead, LongTextsAreCutToTheFields) {
    std::string comment(200, 'c');
    auto w = feed(PotWaypointReader{0}, "ORD=POI/tex=ID:" + comment + "/ido=1/kei=1\n").take();
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(std::string(w[0].comment), std::string(63, 'c'));
}

TEST(PotRead, RoutesGroupByAddress) {
    auto routes = feed(PotRouteReader{}, readFileBytes(goldenPath("routes.pot"))).take();
    ASSERT_EQ(routes.size(), 2u);
    EXPECT_EQ(routes[0].name, "HOME:start TO AWAY:end point");
    ASSERT_EQ(routes[0].entries.size(), 2u);
    EXPECT_EQ(routes[0].entries[0].ident, "HOME");
    EXPECT_EQ(routes[0].entries[0].comment, "start");
    EXPECT_EQ(routes[0].entries[1].altitude, -3.0f);
    EXPECT_EQ(routes[1].name, "SOLO: TO SOLO:");
    EXPECT_EQ(routes[1].entries[0].ident, "SOLO");
    EXPECT_EQ(routes[1].entries[0].comment, "");
}

TEST(PotRead, RouteFileMustEndWithARoutePoint) {
    const std::string routes = readFileBytes(goldenPath("routes.pot"));
    EXPECT_TRUE(feed(PotRouteReader{}, routes + "ORD=POI/tex=WPT:x/ido=1/kei=1\r\n").take().empty());
    EXPECT_TRUE(feed(PotRouteReader{}, readFileBytes(goldenPath("track.pot"))).take().empty());
    EXPECT_TRUE(feed(PotRouteReader{}, "").take().empty());
}

TEST(PotRead, RouteTextsAreCut) {
    std::string line = "ORD=POI/tex=IDENTIFIER:" + std::string(60, 'x') + "/ido=1/kei=1/adr=1\n";
    auto routes = feed(PotRouteReader{}, line).take();
    ASSERT_EQ(routes.size(), 1u);
    EXPECT_EQ(routes[0].entries[0].ident, "IDENTI");
    EXPECT_EQ(routes[0].entries[0].comment, std::string(20, 'x')); // the text is cut to 31 first
}

TEST(PotRead, GarbageGivesNothing) {
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += static_cast<char>((i * 7919) % 256);
    EXPECT_TRUE(feed(PotTrackReader{}, garbage).take().empty());
    EXPECT_TRUE(feed(PotRouteReader{}, garbage).take().empty());
    std::string longLine(20000, 'a');
    longLine += "/ido=1/kei=2/adr=1";
    EXPECT_EQ(feed(PotTrackReader{}, longLine).take().size(), 1u);
}

} // namespace
} // namespace nuvrel

#include "core/formats/calendar.h"
#include "core/formats/pro_atlas_format.h"
#include "core/formats/text_lines.h"
#include "sample_data.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace nuvrel {
namespace {

using test::goldenPath;
using test::readAll;
using test::readFileBytes;
using test::ZoneScope;

TEST(ProAtlasWriter, GoldenFilesByteForByte) {
    ZoneScope zone("JST-9");
    TextSink track, waypoints;
    writeProAtlasTrack(track, test::sampleTrack());
    writeProAtlasWaypoints(waypoints, test::sampleWaypoints());
    EXPECT_EQ(track.text(), readFileBytes(goldenPath("track.log")));
    EXPECT_EQ(waypoints.text(), readFileBytes(goldenPath("waypoints.csv")));
}

TEST(ProAtlasReader, LogLineIsLocalTime) {
    ZoneScope zone("JST-9");
    const auto points = readAll(ProAtlasTrackReader{}, "01/03/05 12:00:00 N35:00:00.00 E139:00:00.00\r\n");
    ASSERT_EQ(points.size(), 1u);
    EXPECT_DOUBLE_EQ(points[0].latitude, 35);
    EXPECT_DOUBLE_EQ(points[0].longitude, 139);
    EXPECT_EQ(points[0].segment, 1);
    EXPECT_EQ(std::int64_t{points[0].time} + kReceiverEpochOffset, utcSeconds({2001, 3, 5, 3, 0, 0}));
}

// Summer and winter points survive export and import in zones with and
// without daylight saving.
TEST(ProAtlasReader, RoundTripInEveryZone) {
    std::vector<TrackPoint> track = {
        test::makePoint(35.658083, 139.77, 0, 1, utcSeconds({2001, 1, 15, 10, 0, 0})),
        test::makePoint(-33.5, -70.25, 0, 1, utcSeconds({2001, 7, 15, 10, 0, 7})),
        test::makePoint(48.1173, 11.516667, 0, 1, utcSeconds({2024, 10, 27, 12, 30, 0}))};
    for (const char* zone : {"UTC", "JST-9", "Europe/Berlin", "America/New_York", "Australia/Sydney"}) {
        ZoneScope scope(zone);
        TextSink out;
        writeProAtlasTrack(out, track);
        const auto back = readAll(ProAtlasTrackReader{}, out.text());
        ASSERT_EQ(back.size(), track.size()) << zone;
        for (std::size_t i = 0; i < track.size(); ++i) {
            EXPECT_EQ(back[i].time, track[i].time) << zone << " " << i;
            EXPECT_NEAR(back[i].latitude, track[i].latitude, 0.01 / 3600) << zone;
            EXPECT_NEAR(back[i].longitude, track[i].longitude, 0.01 / 3600) << zone;
        }
    }
}

TEST(ProAtlasReader, AnEmptyLineEndsTheLog) {
    const auto points = readAll(ProAtlasTrackReader{}, "01/03/05 12:00:00 N35:00:00.00 E139:00:00.00\n"
                                                    "\n"
                                                    "01/03/05 12:00:01 N35:00:00.00 E139:00:00.00\n");
    EXPECT_EQ(points.size(), 1u);
    EXPECT_TRUE(readAll(ProAtlasTrackReader{}, "01/03/05 12:00:00 N35:00:00.00\n").empty());
}

TEST(ProAtlasReader, PointsBefore1990AreSkippedNotWrapped) {
    ProAtlasTrackReader reader;
    forEachLine("70/01/01 00:00:00 N35:00:00.00 E139:00:00.00\n"
                "89/12/30 12:00:00 N35:00:00.00 E139:00:00.00\n"
                "01/03/05 12:00:00 N35:00:00.00 E139:00:00.00\n",
                [&](std::string_view l) { return reader.line(l); });
    ASSERT_EQ(reader.size(), 1u);
    EXPECT_EQ(reader.tooEarly(), 2u);
}

TEST(ProAtlasReader, WaypointsLoseTheirSignAndQuotes) {
    const auto w = readAll(ProAtlasWaypointReader(3), readFileBytes(goldenPath("waypoints.csv")));
    ASSERT_EQ(w.size(), 2u);
    EXPECT_STREQ(w[0].ident, "TOKYO");
    EXPECT_STREQ(w[0].comment, "station");
    EXPECT_NEAR(w[0].latitude, 35.681236, 0.001 / 3600);
    EXPECT_EQ(w[0].display, 3);
    EXPECT_NEAR(w[1].latitude, 33.5, 1e-9); // written without sign: northern
    EXPECT_NEAR(w[1].longitude, 70.25, 1e-9);
}

TEST(ProAtlasReader, CommentEndsWithOrWithoutCarriageReturn) {
    const char* lf = "\"A\",\"1/00/00000\",\"2/00/00000\",1,0,\"x\",\"y\",\"comment\"\n";
    const char* crlf = "\"A\",\"1/00/00000\",\"2/00/00000\",1,0,\"x\",\"y\",\"comment\"\r\n";
    const char* bare = "\"A\",\"1/00/00000\",\"2/00/00000\",1,0,\"x\",\"y\",\"comment\n";
    for (const char* line : {lf, crlf, bare}) {
        const auto w = readAll(ProAtlasWaypointReader(0), line);
        ASSERT_EQ(w.size(), 1u);
        EXPECT_STREQ(w[0].comment, "comment") << line;
        EXPECT_DOUBLE_EQ(w[0].latitude, 1);
    }
    const auto unquoted = readAll(ProAtlasWaypointReader(0), "TOKYO,1,2\n\n");
    ASSERT_EQ(unquoted.size(), 2u); // a blank line is a waypoint too
    EXPECT_STREQ(unquoted[0].ident, "OKY");
    EXPECT_STREQ(unquoted[1].ident, "");
}

} // namespace
} // namespace nuvrel

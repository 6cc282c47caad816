#include "core/formats/plain_text_format.h"
#include "core/formats/text_lines.h"
#include "sample_data.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace nuvrel {
namespace {

using test::goldenPath;
using test::readAll;
using test::readFileBytes;

TEST(TextWriter, GoldenFilesByteForByte) {
    TextSink track, waypoints, trackDms, waypointsDms;
    writeTextTrack(track, test::sampleTrack(), -32400, false);
    writeTextWaypoints(waypoints, test::sampleWaypoints(), false);
    writeTextTrack(trackDms, test::sampleTrack(), -32400, true);
    writeTextWaypoints(waypointsDms, test::sampleWaypoints(), true);
    EXPECT_EQ(track.text(), readFileBytes(goldenPath("track_decimal.txt")));
    EXPECT_EQ(waypoints.text(), readFileBytes(goldenPath("waypoints_decimal.txt")));
    EXPECT_EQ(trackDms.text(), readFileBytes(goldenPath("track_dms.txt")));
    EXPECT_EQ(waypointsDms.text(), readFileBytes(goldenPath("waypoints_dms.txt")));
}

TEST(TextReader, BothLayoutsReadBack) {
    const auto sample = test::sampleTrack();
    for (const char* name : {"track_decimal.txt", "track_dms.txt"}) {
        const auto points = readAll(TextTrackReader(-32400), readFileBytes(goldenPath(name)));
        ASSERT_EQ(points.size(), sample.size()) << name;
        for (std::size_t i = 0; i < sample.size(); ++i) {
            EXPECT_NEAR(points[i].latitude, sample[i].latitude, 1e-6) << name << i;
            EXPECT_NEAR(points[i].longitude, sample[i].longitude, 1e-6) << name << i;
            EXPECT_NEAR(points[i].altitude, sample[i].altitude, 0.005) << name << i;
            EXPECT_EQ(points[i].segment, sample[i].segment) << name << i;
            EXPECT_EQ(points[i].time, sample[i].time) << name << i;
        }
    }
    const auto w = readAll(TextWaypointReader(0), readFileBytes(goldenPath("waypoints_dms.txt")));
    ASSERT_EQ(w.size(), 2u);
    EXPECT_STREQ(w[1].ident, "LONGNAME12");
    EXPECT_STREQ(w[1].comment, "a long comment for cutting at forty characters here");
    EXPECT_NEAR(w[1].latitude, -33.5, 1e-6);
    EXPECT_EQ(w[1].proximity, 25.0f);
    EXPECT_EQ(w[1].altitude, -12.5f);
    EXPECT_EQ(w[0].symbol, 18);
    EXPECT_EQ(w[0].display, 3);
}

TEST(TextReader, MissingFieldsKeepTheirDefaults) {
    const auto points = readAll(TextTrackReader(-32400), "35.5,139.25\n\n");
    ASSERT_EQ(points.size(), 2u); // a blank line is a point too
    EXPECT_EQ(points[0].latitude, 35.5);
    EXPECT_EQ(points[0].altitude, 0);
    EXPECT_EQ(points[0].segment, 1);
    EXPECT_EQ(points[0].time, 631065600u); // the raw default
    EXPECT_EQ(points[1].latitude, 0);

    const auto w = readAll(TextWaypointReader(3), "ONLY,1.5\n");
    ASSERT_EQ(w.size(), 1u);
    EXPECT_STREQ(w[0].ident, "ONLY");
    EXPECT_EQ(w[0].latitude, 1.5);
    EXPECT_EQ(w[0].display, 3);
    EXPECT_STREQ(w[0].comment, "");
}

TEST(TextReader, CommaInsideAnIdentifierShiftsTheFields) {
    const auto w = readAll(TextWaypointReader(0), "A,B,35.0,139.0,comment,1,0,0,0\n");
    ASSERT_EQ(w.size(), 1u);
    EXPECT_STREQ(w[0].ident, "A");
    EXPECT_EQ(w[0].latitude, 0); // "B"
    EXPECT_EQ(w[0].longitude, 35.0);
    EXPECT_STREQ(w[0].comment, "139.0");
}

TEST(TextReader, TabsLastLineAndNonNumbers) {
    const auto points = readAll(TextTrackReader(0), "1.5\t2.5\t3\t4\t983761200\r\nx,y,z,w,v");
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].longitude, 2.5);
    EXPECT_EQ(points[0].segment, 4);
    EXPECT_EQ(points[0].time, 983761200u - 631065600u);
    EXPECT_EQ(points[1].latitude, 0);
    EXPECT_EQ(points[1].segment, 0);
}

TEST(TextReader, LongTextsAreCutOnCharacterBoundaries) {
    std::string ident;
    for (int i = 0; i < 10; ++i)
        ident += "\xE6\x9D\xB1"; // 30 bytes of 3-byte characters
    const auto w = readAll(TextWaypointReader(0), ident + ",1,2," + std::string(100, 'c') + "\n");
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(std::string(w[0].ident), ident.substr(0, 21)); // 7 whole characters
    EXPECT_EQ(std::string(w[0].comment), std::string(63, 'c'));
}

TEST(TextReader, CoordinateFields) {
    EXPECT_DOUBLE_EQ(readCoordinate(" 35.658083"), 35.658083);
    EXPECT_DOUBLE_EQ(readCoordinate("-0.5"), -0.5);
    EXPECT_NEAR(readCoordinate("139^46'12.00\""), 139.77, 1e-9);
    EXPECT_NEAR(readCoordinate("S35:30:00.00"), -35.5, 1e-9);
    EXPECT_EQ(readCoordinate("abc"), 0);
}

} // namespace
// The one-pass reading of usual lines must give, bit for bit, what the
// field-by-field reading gives, and leave every other shape to it.
TEST(TextReader, UsualLinesReadAsTheGeneralReadingDoes) {
    const char* const numbers[] = {"35.658083", " 35.000000", "  -0.500000", "-0", "0.", "7", "139.5",
                                   "1234567890123456789", "12345678901234567890", "9007199254740993",
                                   "9007199254740992", "0.1234567890123456789", "+5", "1e3", ".5", "-.5",
                                   "5 ", " -", "", "- 5", "3.4.5", "1,5", "35^30'00\"", "N35:30:00", "x",
                                   "99999999999999999999999", "1.5\t2", "-139.999999", "000000000000000000001"};
    const TextTrackReader reader(-32400);
    std::size_t usual = 0, compared = 0;
    for (const char* a : numbers) {
        for (const char* b : numbers) {
            for (const char* tail : {"", ",", ",   1.25,2,983761200", ",-3.5\t-4,  17", ",0,0,0,1,extra",
                                     ",1e2,1,1", ",5,99999999999999999999,1", ",5,1,-983761200"}) {
                const std::string line = std::string(a) + "," + b + tail;
                bool ok = false;
                const TrackPoint fast = reader.readUsual(line, ok);
                const TrackPoint general = reader.readGeneral(line);
                ++compared;
                if (!ok)
                    continue;
                ++usual;
                EXPECT_EQ(std::memcmp(&fast, &general, sizeof fast), 0) << line;
            }
        }
    }
    // Both readings were exercised.
    EXPECT_GT(usual, compared / 20);
    EXPECT_LT(usual, compared / 2);
    bool ok = true;
    reader.readUsual("", ok);
    EXPECT_FALSE(ok); // an empty line is left to the general reading
}

} // namespace nuvrel

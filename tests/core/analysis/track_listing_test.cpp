#include "core/analysis/track_listing.h"
#include "core/analysis/track_measures.h"
#include "core/data/ift_garmin_track.h"

#include <gtest/gtest.h>

#include <vector>

namespace nuvrel {
namespace {

TrackPoint pt(double lat, double lon, std::uint32_t time, std::int16_t segment) {
    return TrackPoint{lat, lon, time, segment, 0, 0.f, 0.f};
}

// Segment 1: three points 0.01 degrees of latitude apart, 60 s each;
// segment 2 starts away from segment 1's end.
IFTGarminTrack twoSegments() {
    return IFTGarminTrack(std::vector<TrackPoint>{pt(35.00, 139.0, 1000, 1), pt(35.01, 139.0, 1060, 1),
                                                  pt(35.02, 139.0, 1120, 1), pt(35.10, 139.1, 2000, 2),
                                                  pt(35.10, 139.11, 2100, 2)});
}

TEST(TrackList, RowsPerSegmentAndTotal) {
    const auto track = twoSegments();
    const auto rows = trackListRows(track);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (TrackListRow{"1", "    2.226", "    120.0", "     66.8"}));
    EXPECT_EQ(rows[1][0], "2");
    EXPECT_EQ(rows[1][2], "    100.0");
    EXPECT_EQ(rows[2][0], "TOTAL");
    EXPECT_EQ(rows[2][2], "");
    EXPECT_EQ(rows[2][3], "");
    // The total includes the join between the segments.
    const double sum = segmentDistance(track, 1) + segmentDistance(track, 2);
    EXPECT_GT(std::stod(rows[2][1]), sum + 1);
    EXPECT_EQ(kTrackListHeader, (TrackListRow{"Track No.", "Dist[km]", "Time[s]", "Vel[km/h]"}));
}

TEST(TrackList, MissingSegmentsAndStillPoints) {
    // Segments 1, 1, 3 (2 is missing); segment 3 is one point: time 0.
    const IFTGarminTrack track(std::vector<TrackPoint>{pt(35, 139, 0, 1), pt(35, 139, 0, 1), pt(35.1, 139, 50, 3)});
    const auto rows = trackListRows(track);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (TrackListRow{"1", "    0.000", "      0.0", "-"}));
    EXPECT_EQ(rows[1], (TrackListRow{"2", "    0.000", "      0.0", "-"}));
    EXPECT_EQ(rows[2], (TrackListRow{"3", "    0.000", "      0.0", "-"}));
}

TEST(TrackList, AgreesWithTheSegmentWalkOnUnorderedLogs) {
    // Segment numbers that go back down (a damaged or hand-made file): the
    // one-pass table must give what the segment walk gives.
    const std::vector<std::int16_t> segs = {2, 1, 1, 3, 2, 2, 5, 4, 5, 0, 7};
    std::vector<TrackPoint> p;
    for (std::size_t i = 0; i < segs.size(); ++i)
        p.push_back(pt(35 + 0.01 * static_cast<double>(i * i % 7), 139 + 0.003 * static_cast<double>(i),
                       static_cast<std::uint32_t>(i * 30), segs[i]));
    const IFTGarminTrack track(std::move(p));
    const auto rows = trackListRows(track);
    ASSERT_EQ(rows.size(), 8u); // segments 1..7 and the total
    for (int s = 1; s <= 7; ++s) {
        char km[32];
        std::snprintf(km, sizeof km, "%9.3f", segmentDistance(track, s));
        char sec[32];
        std::snprintf(sec, sizeof sec, "%9.1f", segmentTime(track, s));
        EXPECT_EQ(rows[static_cast<std::size_t>(s - 1)][1], km) << "segment " << s;
        EXPECT_EQ(rows[static_cast<std::size_t>(s - 1)][2], sec) << "segment " << s;
    }
}

TEST(TrackList, HugeSegmentCountFromAFile) {
    // A file claiming more segments than its points are in: rows only up to
    // the last segment a point is in.
    for (const std::uint32_t claimed : {4294967295u, 4000000000u, 40000u, 3u}) {
        IFTGarminTrack track(std::vector<TrackPoint>{pt(35, 139, 0, 1), pt(35, 139, 10, 2)});
        track.setSegmentCount(claimed);
        const auto rows = trackListRows(track);
        ASSERT_EQ(rows.size(), 3u) << claimed;
        EXPECT_EQ(rows[1][0], "2");
        EXPECT_EQ(rows[2][0], "TOTAL");
    }
}

TEST(TrackDetail, RowsOfASegment) {
    const auto track = twoSegments();
    const auto rows = trackDetailRows(track, 1, -32400, false);
    ASSERT_EQ(rows.size(), 3u);
    // Point 0: its leg normalises to 0..0: distance 0, time 0, no speed, bearing 180.
    EXPECT_EQ(rows[0], (TrackDetailRow{"1", "  0.000", "      0.0", "-", "    180.0", "09:16:40 1989/12/31",
                                       " 35^00'00.00\"", "139^00'00.00\""}));
    EXPECT_EQ(rows[1][0], "2");
    EXPECT_EQ(rows[1][1], "  1.113");
    EXPECT_EQ(rows[1][2], "     60.0");
    EXPECT_EQ(rows[1][3], "     66.8");
    EXPECT_EQ(rows[1][4], "      0.0");
    EXPECT_EQ(rows[1][5], "09:17:40 1989/12/31");
    EXPECT_EQ(rows[2][6], " 35^01'12.00\"");
    EXPECT_EQ(kTrackDetailHeader[5], "TIME");
}

TEST(TrackDetail, FirstRowOfALaterSegmentMeasuresTheJoin) {
    const auto track = twoSegments();
    const auto rows = trackDetailRows(track, 2, 0, false);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "4");
    EXPECT_EQ(rows[0][2], "    880.0"); // from point 3 (time 1120) to 2000
    EXPECT_NE(rows[0][1], "  0.000");
}

TEST(TrackDetail, TotalTime) {
    const auto track = twoSegments();
    const auto rows = trackDetailRows(track, 2, 0, true);
    EXPECT_EQ(rows[0][2], "      0.0");
    EXPECT_EQ(rows[1][2], "    100.0");
    EXPECT_EQ(trackDetailRows(track, 1, 0, true)[2][2], "    120.0");
}

TEST(TrackDetail, MissingSegmentHasNoRows) {
    const auto track = twoSegments();
    EXPECT_TRUE(trackDetailRows(track, 3, 0, false).empty()); // the TOTAL row's number
    EXPECT_TRUE(trackDetailRows(track, 0, 0, false).empty());
    EXPECT_TRUE(trackDetailRows(track, -1, 0, false).empty());
    EXPECT_TRUE(trackDetailRows(IFTGarminTrack(), 1, 0, false).empty());
}

TEST(TrackDetail, ZeroTimeLegHasNoSpeed) {
    const IFTGarminTrack track(std::vector<TrackPoint>{pt(35, 139, 10, 1), pt(35.01, 139, 10, 1), pt(35.02, 139, 5, 1)});
    const auto rows = trackDetailRows(track, 1, 0, false);
    EXPECT_EQ(rows[1][3], "-");
    EXPECT_EQ(rows[2][3], "-"); // time runs backwards
    EXPECT_EQ(rows[2][2], "     -5.0");
}

TEST(TrackDetail, CopyText) {
    const auto track = twoSegments();
    const std::string text = trackDetailCopyText(trackDetailRows(track, 1, 0, false));
    // Three lines, seven tab-separated fields each, a final line feed, no CR.
    int lines = 0, tabs = 0;
    for (char c : text) {
        lines += c == '\n';
        tabs += c == '\t';
        EXPECT_NE(c, '\r');
    }
    EXPECT_EQ(lines, 3);
    EXPECT_EQ(tabs, 3 * 6);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "  0.000\t      0.0\t-\t    180.0\t00:16:40 1989/12/31\t 35^00'00.00\"\t139^00'00.00\"");
}

TEST(PointTime, CalendarTexts) {
    EXPECT_EQ(pointTimeText(0), "00:00:00 1970/01/01");
    EXPECT_EQ(pointTimeText(993603903), "01:05:03 2001/06/27");
    EXPECT_EQ(pointTimeText(951782400), "00:00:00 2000/02/29");
    EXPECT_EQ(pointTimeText(-1), "23:59:59 1969/12/31");
    EXPECT_EQ(pointTimeText(631065600), "00:00:00 1989/12/31");
    // The largest receiver time with a negative offset of 14 hours.
    EXPECT_EQ(pointTimeText(4294967295LL + 631065600 + 50400), "20:28:15 2126/02/06");
}

} // namespace
} // namespace nuvrel

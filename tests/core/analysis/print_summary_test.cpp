#include "core/analysis/print_summary.h"
#include "core/analysis/track_measures.h"
#include "core/data/ift_garmin_track.h"

#include <gtest/gtest.h>

#include <vector>

namespace nuvrel {
namespace {

// Receiver time of 2024-05-06 07:08:09 UTC.
constexpr std::uint32_t kT0 = 1714979289u - 631065600u;

TrackPoint pt(double lat, double lon, std::uint32_t time, std::int16_t segment) {
    return TrackPoint{lat, lon, time, segment, 0, 0.f, 0.f};
}

std::vector<std::string> texts(const std::vector<PrintSummaryLine>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        out.push_back(std::to_string(l.linesDown) + "|" + l.label + "|" + l.value);
    return out;
}

TEST(PrintSummary, OneSegmentShowsTheSameValuesTwice) {
    const IFTGarminTrack track({pt(35, 139, kT0, 1), pt(35.1, 139, kT0 + 1800, 1), pt(35.2, 139, kT0 + 3600, 1)});
    // Shown as UTC minus the offset: -9 h is Japan.
    const auto lines = printSummaryLines(track, -32400);
    const double km = distance(track.points(), 0, 2);
    char d[32];
    std::snprintf(d, sizeof d, "%6.2f", km);
    char v[32];
    std::snprintf(v, sizeof v, "%6.2f", km);
    const std::vector<std::string> expected = {
        "2|** <Longest Track> **|",
        "1|Take Off :|16:08:09 2024/05/06",
        "1|Landing :|17:08:09 2024/05/06",
        std::string("1|Distance[km] :|") + d,
        "1|Time :|01:00:00",
        std::string("1|Average Speed[km/h] :|") + v, // one hour: km/h equals km
        "2|** <Total> **|",
        "1|Take Off :|16:08:09 2024/05/06",
        "1|Landing :|17:08:09 2024/05/06",
        std::string("1|Distance[km] :|") + d,
        "1|Time :|01:00:00",
    };
    EXPECT_EQ(texts(lines), expected);
    EXPECT_EQ(std::string(d), " 22.26");
}

TEST(PrintSummary, LongestSegmentAndTies) {
    // Segments 1 and 2 equally long, 3 longer, 4 shorter.
    const IFTGarminTrack track({pt(35, 139, kT0, 1), pt(35.1, 139, kT0 + 100, 1), pt(36, 139, kT0 + 200, 2),
                                pt(36.1, 139, kT0 + 300, 2), pt(37, 139, kT0 + 400, 3),
                                pt(37.3, 139, kT0 + 500, 3), pt(38, 139, kT0 + 600, 4), pt(38.01, 139, kT0 + 700, 4)});
    EXPECT_EQ(longestSegment(track), 3);
    const IFTGarminTrack tie({pt(35, 139, kT0, 1), pt(35.1, 139, kT0 + 100, 1), pt(36, 139, kT0 + 200, 2),
                              pt(36.1, 139, kT0 + 300, 2)});
    EXPECT_EQ(longestSegment(tie), 1);
    const auto lines = printSummaryLines(track, 0);
    EXPECT_EQ(lines[1].value, "07:14:49 2024/05/06"); // point 4
    EXPECT_EQ(lines[2].value, "07:16:29 2024/05/06"); // point 5
    EXPECT_EQ(lines[4].value, "00:01:40");
    EXPECT_EQ(lines[7].value, "07:08:09 2024/05/06");
    EXPECT_EQ(lines[8].value, "07:19:49 2024/05/06");
    EXPECT_EQ(lines[10].value, "00:11:40");
    // The total distance includes the joins between segments.
    char d[32];
    std::snprintf(d, sizeof d, "%6.2f", distance(track.points(), 0, 7));
    EXPECT_EQ(lines[9].value, d);
    // A log out of order is measured segment by segment and agrees.
    const IFTGarminTrack unordered({pt(37, 139, kT0, 3), pt(37.3, 139, kT0 + 100, 3), pt(35, 139, kT0, 1),
                                    pt(35.1, 139, kT0 + 100, 1), pt(36, 139, kT0, 2)});
    EXPECT_EQ(longestSegment(unordered), 1); // segmentCount is the last point's number, 2
}

TEST(PrintSummary, NoDurationNoSpeedAndMissingSegments) {
    const IFTGarminTrack still({pt(35, 139, kT0, 1), pt(35.1, 139, kT0, 1)});
    const auto lines = printSummaryLines(still, 0);
    EXPECT_EQ(lines[4].value, "00:00:00");
    EXPECT_EQ(lines[5].value, "-");
    // Times that run backwards: a negative duration.
    const IFTGarminTrack back({pt(35, 139, kT0 + 3725, 1), pt(35.1, 139, kT0, 1)});
    EXPECT_EQ(printSummaryLines(back, 0)[4].value, "-01:02:05");
    // Points numbered 0 only: segment 1 does not occur.
    const IFTGarminTrack zero({pt(35, 139, kT0, 0), pt(35.1, 139, kT0 + 60, 0)});
    const auto z = printSummaryLines(zero, 0);
    EXPECT_EQ(z[1].value, "-");
    EXPECT_EQ(z[2].value, "-");
    EXPECT_EQ(z[3].value, "  0.00");
    EXPECT_EQ(z[10].value, "00:01:00");
    EXPECT_TRUE(printSummaryLines(IFTGarminTrack(), 0).empty());
}

} // namespace
} // namespace nuvrel

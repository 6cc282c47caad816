#include "core/data/ift_garmin_track.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace nuvrel {
namespace {

IFTGarminTrack trackOfSegments(std::initializer_list<int> segments) {
    std::vector<TrackPoint> points;
    std::uint32_t t = 1000;
    for (int s : segments) {
        TrackPoint p{};
        p.latitude = 35 + t * 0.001;
        p.longitude = 139;
        p.time = t++;
        p.segment = static_cast<std::int16_t>(s);
        points.push_back(p);
    }
    return IFTGarminTrack(std::move(points));
}

TEST(IFTGarminTrack, EmptyLog) {
    IFTGarminTrack t;
    EXPECT_EQ(0u, t.count());
    EXPECT_EQ(0u, t.segmentCount());
    EXPECT_EQ(8u, t.fileSize());
    EXPECT_EQ(631065600, t.unixTime(0));
    EXPECT_EQ(631065600, t.unixTime(12345));
    int first = 7, last = 7;
    t.segmentRange(1, first, last);
    EXPECT_EQ(-1, first);
    EXPECT_EQ(-1, last);
}

TEST(IFTGarminTrack, CountsTimesAndProjection) {
    auto t = trackOfSegments({1, 1, 2});
    EXPECT_EQ(3u, t.count());
    EXPECT_EQ(2u, t.segmentCount()); // the last point's segment
    EXPECT_EQ(8u + 3 * 32, t.fileSize());
    EXPECT_EQ(1000 + 631065600, t.unixTime(0));
    EXPECT_EQ(1002 + 631065600, t.unixTime(2));
    EXPECT_DOUBLE_EQ((t.latitude(1) - 35.0) * 2.0, t.projectLatitude(1, 35.0, 2.0));
    EXPECT_DOUBLE_EQ((139.0 - 138.0) * 10.0, t.projectLongitude(0, 138.0, 10.0));

    // The receiver time is unsigned: the top of its range stays positive.
    std::vector<TrackPoint> late(1);
    late[0].time = 0xFFFFFFFFu;
    EXPECT_EQ(4294967295LL + 631065600, IFTGarminTrack(late).unixTime(0));
}

TEST(IFTGarminTrack, SegmentRange) {
    auto t = trackOfSegments({1, 1, 2, 2, 2, 4});
    struct Case {
        int s, first, last;
    } cases[] = {{1, 0, 1}, {2, 2, 4}, {4, 5, 5}, {3, -1, -1}, {0, -1, -1}, {5, -1, -1}};
    for (const auto& c : cases) {
        int first = 99, last = 99;
        t.segmentRange(c.s, first, last);
        EXPECT_EQ(c.first, first) << "segment " << c.s;
        if (c.first >= 0) {
            EXPECT_EQ(c.last, last) << "segment " << c.s;
        }
    }
    // A single segment covering the whole log.
    auto one = trackOfSegments({0, 0, 0});
    int first = 0, last = 0;
    one.segmentRange(0, first, last);
    EXPECT_EQ(0, first);
    EXPECT_EQ(2, last);
}

// In order or not, the runs stop at the first segment number no point
// carries and at the claimed count.
TEST(IFTGarminTrack, SegmentRuns) {
    using Runs = std::vector<std::pair<int, int>>;
    struct Case {
        std::initializer_list<int> segments;
        std::uint32_t claimed; // 0: the last point's number
        Runs runs;
    } cases[] = {
        {{1, 1, 2, 2, 2, 4}, 0, {{0, 1}, {2, 4}}},
        {{0, 1, 1, 2}, 0, {{1, 2}, {3, 3}}},
        {{1, 1, 2, 2}, 1, {{0, 1}}},
        {{1, 2, 2}, 9, {{0, 0}, {1, 2}}},
        {{1, 1, 3, 2, 2}, 0, {{0, 1}}}, // out of order: each looked up as segmentRange does
        {{}, 0, {}},
    };
    for (const auto& c : cases) {
        auto t = trackOfSegments(c.segments);
        if (c.claimed)
            t.setSegmentCount(c.claimed);
        Runs runs;
        for (const auto& r : t.segmentRuns())
            runs.emplace_back(r.first, r.last);
        EXPECT_EQ(c.runs, runs) << "first segment " << (c.segments.size() ? *c.segments.begin() : -1);
    }
}

} // namespace
} // namespace nuvrel

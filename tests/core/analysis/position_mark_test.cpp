#include "core/analysis/position_mark.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/ift_garmin_track.h"
#include "core/map/ift_map_param.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

namespace nuvrel {
namespace {

TEST(FrameSequence, SwingsBackAndForth) {
    EXPECT_EQ(frameSequence(0), (std::vector<int>{}));
    EXPECT_EQ(frameSequence(1), (std::vector<int>{0}));
    EXPECT_EQ(frameSequence(2), (std::vector<int>{0, 1}));
    EXPECT_EQ(frameSequence(3), (std::vector<int>{0, 1, 2, 1}));
    EXPECT_EQ(frameSequence(5), (std::vector<int>{0, 1, 2, 3, 4, 3, 2, 1}));
}

TEST(FrameTurn, QuarterTurnsAreExact) {
    const FrameTurn none(0), right(90), back(180), left(270);
    // The pixel straight above the centre (the frame's nose)...
    EXPECT_EQ(none(15, 5).u, 15);
    EXPECT_EQ(none(15, 5).v, 5);
    // ...turned clockwise by 90 degrees points right on the screen.
    EXPECT_EQ(right(15, 5).u, 25);
    EXPECT_EQ(right(15, 5).v, 15);
    EXPECT_EQ(back(15, 5).u, 15);
    EXPECT_EQ(back(15, 5).v, 25);
    EXPECT_EQ(left(15, 5).u, 5);
    EXPECT_EQ(left(15, 5).v, 15);
    // The centre stays put for every heading.
    for (int a = 0; a < 360; a += 7) {
        EXPECT_EQ(FrameTurn(a)(15, 15).u, 15);
        EXPECT_EQ(FrameTurn(a)(15, 15).v, 15);
    }
}

TEST(FrameTurn, CornersAreClampedIntoTheFrame) {
    const FrameTurn t(45);
    for (int i : {0, 30})
        for (int j : {0, 30}) {
            const auto p = t(i, j);
            EXPECT_GE(p.u, 0);
            EXPECT_LE(p.u, 30);
            EXPECT_GE(p.v, 0);
            EXPECT_LE(p.v, 30);
        }
    // At 45 degrees the corner (30, 0) lands beyond the right edge: clamped to 30.
    EXPECT_EQ(t(30, 0).u, 30);
}

TEST(FrameTurn, SourceTurnsBack) {
    for (int a : {0, 30, 45, 90, 123, 270}) {
        const FrameTurn t(a);
        for (int j = 5; j <= 25; j += 5)
            for (int i = 5; i <= 25; i += 5) {
                const auto p = t(i, j);
                int si = -1, sj = -1;
                ASSERT_TRUE(t.source(p.u, p.v, si, sj));
                EXPECT_LE(std::abs(si - i), 1) << a;
                EXPECT_LE(std::abs(sj - j), 1) << a;
            }
    }
    int i = 0, j = 0;
    EXPECT_FALSE(FrameTurn(45).source(0, 0, i, j)); // a corner of the target turns back outside the frame
}

TEST(MarkHeading, BearingOfTheNextLegTruncated) {
    const std::vector<TrackPoint> p = {TrackPoint{35, 139, 0, 1, 0, 0.f, 0.f}, TrackPoint{35.01, 139.01, 4, 1, 0, 0.f, 0.f},
                                       TrackPoint{35.01, 139.00, 8, 1, 0, 0.f, 0.f}};
    EXPECT_EQ(markHeading(p, 0), 39); // north-east, a little more north than east at 35 N
    EXPECT_EQ(markHeading(p, 1), 270); // due west along the parallel: a hair over 270
    EXPECT_EQ(markHeading(p, 2), 180); // the last point: its leg is no leg
}

TEST(LivePosition, ClampedToTheMap) {
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    IFTGarminData data(DataContext{prompts, zone});
    IFTMapParam param;
    param.ido_top = 36;
    param.ido_bottom = 35;
    param.kei_left = 139;
    param.kei_right = 140;
    param.bitmap_width = 200;
    param.bitmap_height = 100;
    ASSERT_TRUE(SetViewTransform(param, data));
    EXPECT_EQ(livePositionPixel(data, param, 35.5, 139.5), (MarkPixel{100, 50}));
    EXPECT_EQ(livePositionPixel(data, param, 35.5, 138.0), (MarkPixel{0, 50}));   // west of the map
    EXPECT_EQ(livePositionPixel(data, param, 37.0, 141.0), (MarkPixel{200, 0}));  // north-east
    EXPECT_EQ(livePositionPixel(data, param, 30.0, 139.5), (MarkPixel{100, 100})); // south
    // The same pixel as the track pass inside the map.
    const Pixel inside = PositionToPixel(param, data, 35.1234, 139.777);
    EXPECT_EQ(livePositionPixel(data, param, 35.1234, 139.777), (MarkPixel{inside.x, inside.y}));
}

TEST(PlaybackCursor, OnePointPerStepThenEnds) {
    const IFTGarminTrack track(std::vector<TrackPoint>{TrackPoint{35, 139, 0, 1, 0, 0.f, 0.f},
                                                       TrackPoint{35.01, 139, 4, 1, 0, 0.f, 0.f}});
    TrackPlaybackCursor cursor;
    auto a = cursor.next(&track);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->index, 0u);
    EXPECT_EQ(a->heading, 0);
    auto b = cursor.next(&track);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->index, 1u);
    EXPECT_EQ(b->heading, 180);
    EXPECT_FALSE(cursor.next(&track));
    EXPECT_FALSE(cursor.next(&track));
    cursor.restart();
    EXPECT_EQ(cursor.next(&track)->index, 0u);
    EXPECT_FALSE(TrackPlaybackCursor().next(nullptr));
    const IFTGarminTrack empty;
    EXPECT_FALSE(TrackPlaybackCursor().next(&empty));
}

} // namespace
} // namespace nuvrel

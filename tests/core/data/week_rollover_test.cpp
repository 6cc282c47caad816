#include "core/data/week_rollover.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t k1024 = 1024 * kWeekSeconds;
constexpr std::int64_t kNow = 1796601600; // 2026-12-07 00:00 UTC

TrackPoint at(std::int64_t unixTime) {
    TrackPoint p{};
    p.time = unixTime <= kReceiverEpochOffset ? 0 : std::uint32_t(unixTime - kReceiverEpochOffset);
    p.segment = 1;
    return p;
}

TEST(WeekRollover, DetectsWholeRolloversWithinSixtyDays) {
    constexpr std::int64_t k2040 = 2221516800; // 2040-05-25, after the next rollover
    struct Case {
        std::int64_t newest, now;
        int weeks;
    } cases[] = {
        {kNow - k1024, kNow, 1024},
        {kNow - k1024 - 60 * kDay, kNow, 1024},
        {kNow - k1024 + kDay, kNow, 1024},      // a day ahead: the computer's clock may be behind
        {kNow - k1024 + kDay + 1, kNow, 0},     // never corrected into the future
        {kNow - k1024 + 59 * kDay, kNow, 0},
        {kNow - k1024 - 61 * kDay, kNow, 0},
        {k2040 - 2 * k1024 - 3 * kDay, k2040, 2048},
        {k2040 - 2 * k1024 + 3 * kDay, k2040, 0},
        {kNow - 5 * kDay, kNow, 0},      // a recent flight
        {kNow - k1024 / 2, kNow, 0},     // ten years old, no rollover
        {kReceiverEpochOffset, kNow, 0}, // no dated point at all
    };
    for (const Case& c : cases) {
        // An older point before the newest must not decide.
        const TrackPoint points[] = {at(c.newest - 40 * kDay), at(c.newest), at(0)};
        EXPECT_EQ(detectRollover(points, c.now), c.weeks) << c.newest;
    }
}

TEST(WeekRollover, ShiftsDatedPointsAndRefusesTimesOutOfRange) {
    IFTGarminTrack track({at(kNow - k1024), at(0), at(kNow - k1024 + 7)});
    track.setSegmentCount(3);
    ASSERT_TRUE(shiftTrackWeeks(track, 1024));
    EXPECT_EQ(track.unixTime(0), kNow);
    EXPECT_EQ(track.point(1).time, 0u); // no time stays none
    EXPECT_EQ(track.unixTime(2), kNow + 7);
    EXPECT_EQ(track.segmentCount(), 3u);
    EXPECT_EQ(track.modified(), 1);

    EXPECT_FALSE(shiftTrackWeeks(track, -2048)); // before the receiver's epoch
    EXPECT_FALSE(shiftTrackWeeks(track, 6000));  // beyond 32-bit seconds
    EXPECT_EQ(track.unixTime(0), kNow) << "a refused shift changes nothing";
    EXPECT_EQ(rolloverQuestion(1024), "The receiver's dates are 1024 weeks behind. Correct them?");
}

} // namespace
} // namespace nuvrel

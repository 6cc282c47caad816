#include "core/analysis/track_measures.h"
#include "core/data/ift_garmin_track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace nuvrel {
namespace {

TrackPoint pt(double lat, double lon, std::uint32_t time = 0, std::int16_t segment = 1) {
    return TrackPoint{lat, lon, time, segment, 0, 0.f, 0.f};
}

constexpr std::uint32_t kNone = static_cast<std::uint32_t>(-1);

TEST(TrackMeasures, IdenticalPoints) {
    const std::vector<TrackPoint> p = {pt(35, 139), pt(35, 139)};
    EXPECT_EQ(distance(p, 0, 1), 0);
    EXPECT_EQ(bearing(p, 0, 1), 180);
}

TEST(TrackMeasures, BearingsAlongMeridiansAndTheEquator) {
    const std::vector<TrackPoint> p = {pt(35, 139), pt(36, 139), pt(0, 10), pt(0, 11), pt(0, 9)};
    EXPECT_EQ(bearing(p, 0, 1), 0);   // due north
    EXPECT_EQ(bearing(p, 1, 0), 180); // from > to: from becomes 0, and 0 -> 0 is two identical points
    EXPECT_NEAR(bearing(p, 2, 3), 90, 1e-9);  // due east on the equator
    EXPECT_NEAR(bearing(p, 2, 4), 270, 1e-9); // due west
}

TEST(TrackMeasures, BearingOfASouthwardLeg) {
    const std::vector<TrackPoint> p = {pt(36, 139), pt(35, 139), pt(35, 139.001)};
    EXPECT_EQ(bearing(p, 0, 1), 180);
    const double b = bearing(p, 1, 2);
    EXPECT_GT(b, 89.9);
    EXPECT_LT(b, 90.1);
}

TEST(TrackMeasures, DistanceOnTheProgramsSphere) {
    // One degree of latitude is 2 * 3.14159265359 * 6377397.155 / 360 m.
    const std::vector<TrackPoint> p = {pt(35, 139), pt(36, 139), pt(36, 140)};
    EXPECT_NEAR(distance(p, 0, 1), 111.306578, 1e-6);
    // Legs add up; a leg east at 36 degrees uses the mean parallel.
    const double kmPerDeg = 2 * 3.14159265359 * 6377397.155 / 360 / 1000;
    const double east = distance(p, 1, 2);
    EXPECT_NEAR(east, kmPerDeg * std::sin((90 - 36) * 3.14159265359 / 180), 1e-9);
    EXPECT_NEAR(distance(p, 0, 2), kmPerDeg + east, 1e-9);
}

TEST(TrackMeasures, TheAntimeridianIsNotWrapped) {
    const std::vector<TrackPoint> p = {pt(0, 179.5), pt(0, -179.5)};
    EXPECT_NEAR(distance(p, 0, 1), 359 * 111.306578, 1e-3);
}

TEST(TrackMeasures, RangeNormalisation) {
    const std::vector<TrackPoint> p = {pt(35, 139, 100), pt(35.1, 139, 160), pt(35.2, 139, 400)};
    // `to` past the end becomes the last point.
    EXPECT_EQ(timeSpan(p, 0, 99), 300);
    EXPECT_EQ(distance(p, 0, kNone), distance(p, 0, 2));
    // A `from` after `to` becomes 0; -1 is larger than every index.
    EXPECT_EQ(timeSpan(p, 2, 1), 60);
    EXPECT_EQ(timeSpan(p, kNone, 1), 60);
    EXPECT_EQ(distance(p, 2, 2), 0);
    // An empty log gives 0.
    const std::vector<TrackPoint> none;
    EXPECT_EQ(distance(none, 0, 5), 0);
    EXPECT_EQ(timeSpan(none, 0, 5), 0);
    EXPECT_EQ(bearing(none, 0, 5), 0);
}

TEST(TrackMeasures, TimeSpansAreSigned32BitDifferences) {
    const std::vector<TrackPoint> p = {pt(0, 0, 500), pt(0, 0, 200), pt(0, 0, 0x90000000u)};
    EXPECT_EQ(timeSpan(p, 0, 1), -300);
    EXPECT_LT(timeSpan(std::vector<TrackPoint>{pt(0, 0, 0), pt(0, 0, 0x90000000u)}, 0, 1), 0);
}

TEST(TrackMeasures, SegmentsAndMissingSegments) {
    // Segments 1 and 3; segment 2 does not occur.
    IFTGarminTrack track({pt(35, 139, 0, 1), pt(35.1, 139, 60, 1), pt(35.2, 139, 100, 3), pt(35.4, 139, 400, 3)});
    EXPECT_EQ(track.segmentCount(), 3u);
    EXPECT_NEAR(segmentDistance(track, 1), 0.1 * 111.306578, 1e-5);
    EXPECT_EQ(segmentTime(track, 1), 60);
    EXPECT_EQ(segmentDistance(track, 2), 0);
    EXPECT_EQ(segmentTime(track, 2), 0);
    EXPECT_NEAR(segmentDistance(track, 3), 0.2 * 111.306578, 1e-5);
    EXPECT_EQ(segmentTime(track, 3), 300);
    EXPECT_EQ(segmentDistance(track, 9), 0);
    // The whole log includes the step between the segments.
    EXPECT_NEAR(distance(track.points(), 0, track.count()), 0.4 * 111.306578, 1e-5);
    EXPECT_EQ(segmentDistance(IFTGarminTrack(), 1), 0);
}

} // namespace
} // namespace nuvrel

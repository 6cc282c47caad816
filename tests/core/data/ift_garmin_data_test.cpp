#include "core/data/ift_garmin_data.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

using test::FixedTimeZone;
using test::RecordingPrompts;

std::unique_ptr<IFTGarminTrack> trackAt(std::initializer_list<std::pair<double, double>> positions) {
    std::vector<TrackPoint> pts;
    for (auto [lat, lon] : positions) {
        TrackPoint p{};
        p.latitude = lat;
        p.longitude = lon;
        p.segment = 1;
        pts.push_back(p);
    }
    return std::make_unique<IFTGarminTrack>(std::move(pts));
}

std::unique_ptr<IFTGarminWaypoint> waypointsAt(std::initializer_list<std::pair<double, double>> positions) {
    auto w = std::make_unique<IFTGarminWaypoint>();
    for (auto [lat, lon] : positions)
        w->append("W", lat, lon, "", 0);
    return w;
}

struct DataSetTest : ::testing::Test {
    RecordingPrompts prompts;
    FixedTimeZone zone{ZoneInfo{-32400, true}};
    IFTGarminData data{DataContext{prompts, zone}};
};

TEST_F(DataSetTest, CreatedEmpty) {
    EXPECT_EQ(nullptr, data.track());
    EXPECT_EQ(nullptr, data.waypoints());
    EXPECT_EQ(0, data.timeOffset());
    EXPECT_EQ(0, data.displayDefault());
}

TEST_F(DataSetTest, TimeOffsetFollowsTheZoneRule) {
    data.resetTimeOffset();
    EXPECT_EQ(-36000, data.timeOffset()); // bias -540 min with a daylight rule
    zone.zone.daylight = false;
    data.resetTimeOffset();
    EXPECT_EQ(-32400, data.timeOffset());
    EXPECT_EQ(2, zone.reads); // the zone is read again each time
}

TEST_F(DataSetTest, Projection) {
    data.setViewBottomLatitude(35);
    data.setViewLatitudeScale(1000);
    data.setViewLeftLongitude(139);
    data.setViewLongitudeScale(800);
    EXPECT_DOUBLE_EQ(500, data.projectY(35.5));
    EXPECT_DOUBLE_EQ(200, data.projectX(139.25));
    EXPECT_DOUBLE_EQ(35.5, data.unprojectLatitude(500));
    EXPECT_DOUBLE_EQ(139.25, data.unprojectLongitude(200));
}

TEST_F(DataSetTest, DataExtentWithoutStores) {
    double t = 1, b = 2, l = 3, r = 4;
    EXPECT_EQ(0, data.DataExtent(t, b, l, r));
    EXPECT_EQ(1, t); // untouched
}

TEST_F(DataSetTest, DataExtentOfTheTrack) {
    data.setTrack(trackAt({{35, 139}, {36, 141}}));
    data.setWaypoints(waypointsAt({{0, 0}, {50, 50}})); // ignored: the track has a box
    double t, b, l, r;
    EXPECT_EQ(1, data.DataExtent(t, b, l, r));
    EXPECT_DOUBLE_EQ(36.1, t);
    EXPECT_DOUBLE_EQ(35 - 0.1 * (36.1 - 35), b); // margin from the widened top
    EXPECT_DOUBLE_EQ(141.2, r);
    EXPECT_DOUBLE_EQ(139 - 0.1 * (141.2 - 139), l);
}

TEST_F(DataSetTest, DataExtentFallsBackToWaypoints) {
    data.setTrack(trackAt({{35, 139}, {35, 140}})); // flat in latitude
    data.setWaypoints(waypointsAt({{10, 20}, {12, 24}}));
    double t, b, l, r;
    EXPECT_EQ(1, data.DataExtent(t, b, l, r));
    EXPECT_DOUBLE_EQ(12.2, t);
    EXPECT_DOUBLE_EQ(24.4, r);
}

TEST_F(DataSetTest, DataExtentFallbackEdges) {
    // One track point and no waypoints: the whole world.
    data.setTrack(trackAt({{35, 139}}));
    double t, b, l, r;
    EXPECT_EQ(0, data.DataExtent(t, b, l, r));
    EXPECT_EQ(90, t);
    EXPECT_EQ(-90, b);
    EXPECT_EQ(-180, l);
    EXPECT_EQ(180, r);
    // A flat box in one direction only: that direction falls back.
    data.setTrack(trackAt({{35, 139}, {35, 140}}));
    EXPECT_EQ(0, data.DataExtent(t, b, l, r));
    EXPECT_EQ(90, t);
    EXPECT_DOUBLE_EQ(140.1, r);
    // An empty track log and an empty waypoint store: 0/0 box, fallbacks.
    data.setTrack(std::make_unique<IFTGarminTrack>());
    data.setWaypoints(std::make_unique<IFTGarminWaypoint>());
    EXPECT_EQ(0, data.DataExtent(t, b, l, r));
    EXPECT_EQ(90, t);
    EXPECT_EQ(-180, l);
}

TEST_F(DataSetTest, ReleaseDropsBothStores) {
    data.setTrack(trackAt({{1, 1}}));
    data.setWaypoints(waypointsAt({{1, 1}}));
    data.release();
    EXPECT_EQ(nullptr, data.track());
    EXPECT_EQ(nullptr, data.waypoints());
}

} // namespace
} // namespace nuvrel

#include "core/data/ift_garmin_data.h"
#include "core/geo/spherical_distance.h"
#include "core/map/fitted_view.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

TrackPoint pt(double lat, double lon) { return TrackPoint{lat, lon, 0, 1, 0, 0.f, 0.f}; }

struct Fixture {
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    IFTGarminData data{DataContext{prompts, zone}};
    CRouteField routes;
    IFTMapParam param;
    FittedDistances d;
};

TEST(FittedView, WidensTheTrackExtent) {
    Fixture f;
    f.data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{pt(35.0, 139.0), pt(36.0, 140.0)}));
    ASSERT_TRUE(FitViewToData(f.data, &f.routes, false, 400, 300, f.param, f.d));
    EXPECT_DOUBLE_EQ(f.param.ido_top, 36.1);
    EXPECT_DOUBLE_EQ(f.param.ido_bottom, 34.89);
    EXPECT_DOUBLE_EQ(f.param.kei_right, 140.1);
    EXPECT_DOUBLE_EQ(f.param.kei_left, 138.89);
    EXPECT_EQ(f.param.bitmap_width, 400);
    EXPECT_EQ(f.param.bitmap_height, 300);
    EXPECT_DOUBLE_EQ(f.data.viewBottomLatitude(), 34.89);
    EXPECT_DOUBLE_EQ(f.data.viewLatitudeScale(), 300 / (36.1 - 34.89));
    EXPECT_DOUBLE_EQ(f.d.horizontalKm, SphericalDistance(36.1, 138.89, 36.1, 140.1));
    EXPECT_DOUBLE_EQ(f.d.verticalKm, SphericalDistance(36.1, 138.89, 34.89, 138.89));
}

TEST(FittedView, KeepAspectGivesEqualKilometresPerPixel) {
    for (auto [w, h] : {std::pair{800, 300}, std::pair{300, 800}, std::pair{1000, 1000}}) {
        Fixture f;
        f.data.setTrack(
            std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{pt(35.0, 139.0), pt(35.5, 139.2)}));
        ASSERT_TRUE(FitViewToData(f.data, &f.routes, true, w, h, f.param, f.d));
        EXPECT_NEAR(f.d.horizontalKm / w, f.d.verticalKm / h, 1e-3 * f.d.verticalKm / h) << w << "x" << h;
        // The data stays inside.
        EXPECT_GT(f.param.ido_top, 35.5);
        EXPECT_LT(f.param.ido_bottom, 35.0);
        EXPECT_LT(f.param.kei_left, 139.0);
        EXPECT_GT(f.param.kei_right, 139.2);
    }
    EXPECT_EQ(DistanceLabel(12.345), "12.35km");
    EXPECT_EQ(DistanceLabel(0), "0.00km");
}

TEST(FittedView, FallsBackToWaypointsThenRoutes) {
    Fixture f;
    // One track point has an empty extent: the two waypoints decide.
    f.data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{pt(10, 10)}));
    auto wpts = std::make_unique<IFTGarminWaypoint>();
    wpts->append("A", 35, 139, "", 0);
    wpts->append("B", 36, 140, "", 0);
    f.data.setWaypoints(std::move(wpts));
    ASSERT_TRUE(FitViewToData(f.data, &f.routes, false, 100, 100, f.param, f.d));
    EXPECT_DOUBLE_EQ(f.param.ido_top, 36.1);

    // A single waypoint: the routes decide, with the same margin at both ends.
    Fixture g;
    auto one = std::make_unique<IFTGarminWaypoint>();
    one->append("A", 35, 139, "", 0);
    g.data.setWaypoints(std::move(one));
    g.routes.AddRoute();
    g.routes.AddRouteEntry(0, "R1", 40, 130, "", 0, 0, 0, 0);
    g.routes.AddRouteEntry(0, "R2", 42, 131, "", 0, 0, 0, 0);
    ASSERT_TRUE(FitViewToData(g.data, &g.routes, false, 100, 100, g.param, g.d));
    EXPECT_DOUBLE_EQ(g.param.ido_top, 42.2);
    EXPECT_DOUBLE_EQ(g.param.ido_bottom, 39.8);
    EXPECT_DOUBLE_EQ(g.param.kei_left, 129.9);
    EXPECT_DOUBLE_EQ(g.param.kei_right, 131.1);
}

TEST(FittedView, NothingToFitChangesNothing) {
    Fixture f;
    f.param.ido_top = 1;
    f.param.bitmap_width = 7;
    EXPECT_FALSE(FitViewToData(f.data, &f.routes, true, 100, 100, f.param, f.d));
    EXPECT_EQ(f.param.ido_top, 1);
    EXPECT_EQ(f.param.bitmap_width, 7);
    f.routes.AddRoute(); // a route without entries has no extent either
    EXPECT_FALSE(FitViewToData(f.data, &f.routes, true, 100, 100, f.param, f.d));
    EXPECT_FALSE(FitViewToData(f.data, nullptr, true, 100, 100, f.param, f.d));
}

} // namespace
} // namespace nuvrel

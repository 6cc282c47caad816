#include "core/analysis/flight_analysis.h"
#include "core/analysis/track_measures.h"
#include "core/data/ift_garmin_track.h"
#include "support/flight_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace nuvrel {
namespace {

using test::FlightPlan;
using test::generateFlight;

// Metres per degree of latitude on the program's sphere.
constexpr double kMPerDegLat = 2 * 3.14159265359 * 6377397.155 / 360;

// A track whose leg k (from point k-1 to k) runs due north at speeds[k-1]
// km/h, one point every 10 s.
IFTGarminTrack trackOfSpeeds(const std::vector<double>& speeds, std::int16_t segment = 1) {
    std::vector<TrackPoint> p;
    double lat = 35;
    std::uint32_t t = 1000;
    p.push_back(TrackPoint{lat, 139, t, segment, 0, 0.f, 0.f});
    for (double kmh : speeds) {
        lat += kmh / 3.6 * 10 / kMPerDegLat;
        t += 10;
        p.push_back(TrackPoint{lat, 139, t, segment, 0, 0.f, 0.f});
    }
    return IFTGarminTrack(std::move(p));
}

// The smallest angle between two directions in degrees.
double angleBetween(double a, double b) {
    double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180 ? 360 - d : d;
}

TEST(DetectFlight, NoFastRunGivesTheWholeLog) {
    // Fast runs of three legs only, broken by slow legs.
    const auto track = trackOfSpeeds({20, 20, 20, 5, 20, 20, 20, 5, 2});
    EXPECT_EQ(detectFlight(track, -1, 10.0), (FlightRange{0, 9}));
    EXPECT_EQ(detectFlight(track, 1, 10.0), (FlightRange{0, 9}));
}

TEST(DetectFlight, FourFastLegsEndingAtKGiveTakeOffKMinusTwo) {
    // Legs 1-2 slow, legs 3..6 fast (ending at point 6): take-off 4.
    const auto track = trackOfSpeeds({2, 2, 20, 20, 20, 20, 20, 20});
    EXPECT_EQ(detectFlight(track, -1, 10.0), (FlightRange{4, 8}));
}

TEST(DetectFlight, ThreeSlowLegsDoNotLand) {
    // After take-off: 3 slow legs, one fast, then 4 slow legs ending at point 14.
    const auto track = trackOfSpeeds({20, 20, 20, 20, 20, 3, 3, 3, 20, 20, 3, 3, 3, 3, 3, 3});
    // Take-off at leg 4 (point 4) - 2 = 2; the slow run of legs 11..14 ends at 14: landing 12.
    EXPECT_EQ(detectFlight(track, -1, 10.0), (FlightRange{2, 12}));
}

TEST(DetectFlight, TrailingSlowLegsAtTheEndOfTheLog) {
    // Take-off found; the log ends with 2 slow legs: landing = last - 2.
    const auto track = trackOfSpeeds({20, 20, 20, 20, 20, 20, 3, 3});
    EXPECT_EQ(detectFlight(track, -1, 10.0), (FlightRange{2, 6}));
    // Ending fast: the last point.
    EXPECT_EQ(detectFlight(trackOfSpeeds({20, 20, 20, 20, 20}), -1, 10.0), (FlightRange{2, 5}));
}

TEST(DetectFlight, ExactlyTheThresholdIsFast) {
    const auto track = trackOfSpeeds({10, 10, 10, 10, 10});
    const FlightRange r = detectFlight(track, -1, 10.0);
    // Rounding of the sphere arithmetic may put a leg a hair below 10 km/h;
    // what matters is that the threshold takes a leg at its exact value.
    const double leg = distance(track.points(), 0, 1) * 3600 / timeSpan(track.points(), 0, 1);
    if (leg >= 10.0)
        EXPECT_EQ(r, (FlightRange{2, 5}));
    else
        EXPECT_EQ(r, (FlightRange{0, 5}));
}

TEST(DetectFlight, SegmentsAndTheirFallbacks) {
    // Segment 1: points 0..5 slow; segment 2: points 6..15 with a flight.
    std::vector<TrackPoint> p;
    auto slow = trackOfSpeeds({1, 1, 1, 1, 1}, 1);
    auto fast = trackOfSpeeds({1, 20, 20, 20, 20, 20, 3, 3, 3, 3}, 2);
    for (const auto& pt : slow.points())
        p.push_back(pt);
    for (auto pt : fast.points()) {
        pt.time += 1000;
        p.push_back(pt);
    }
    const IFTGarminTrack track(std::move(p));
    // Segment 2 starts at 6; its legs 2..5 are fast (ending at point 6+5): take-off 9.
    EXPECT_EQ(detectFlight(track, 2, 10.0), (FlightRange{9, 14}));
    // No take-off in segment 1, and a segment that does not occur: the whole log.
    EXPECT_EQ(detectFlight(track, 1, 10.0), (FlightRange{0, 16}));
    EXPECT_EQ(detectFlight(track, 7, 10.0), (FlightRange{0, 16}));
}

TEST(DetectFlight, TinyLogs) {
    EXPECT_EQ(detectFlight(IFTGarminTrack(), -1, 10.0), (FlightRange{0, 0}));
    EXPECT_EQ(detectFlight(trackOfSpeeds({}), -1, 10.0), (FlightRange{0, 0}));
    EXPECT_EQ(detectFlight(trackOfSpeeds({50}), -1, 10.0), (FlightRange{0, 1}));
}

TEST(DetectFlight, LegsWithoutTimeNeitherCountNorBreakARun) {
    // Point 3 repeats point 2's time stamp (a leg of 0 s, no speed): the
    // fast run goes on across it.
    auto base = trackOfSpeeds({20, 20, 20, 20, 20, 20, 20});
    std::vector<TrackPoint> p(base.points().begin(), base.points().end());
    p[3].time = p[2].time;
    for (std::size_t i = 4; i < p.size(); ++i)
        p[i].time -= 10;
    const IFTGarminTrack track(std::move(p));
    const FlightRange r = detectFlight(track, -1, 10.0);
    EXPECT_EQ(r.takeOff, 3u); // the fourth leg with a speed ends at point 5
    EXPECT_EQ(r.landing, 7u);
    // A clock running backwards does not stop the analysis either.
    std::vector<TrackPoint> q(base.points().begin(), base.points().end());
    q[4].time = 0;
    EXPECT_NO_THROW(analyseFlight(IFTGarminTrack(q), detectFlight(IFTGarminTrack(q), -1, 10.0)));
}

TEST(EstimateWind, TwoPointsGiveNoWind) {
    const auto track = trackOfSpeeds({30});
    const FlightRange r = detectFlight(track, -1, 10.0);
    EXPECT_EQ(r, (FlightRange{0, 1}));
    const WindEstimate w = estimateWind(track.points(), r.takeOff, r.landing);
    EXPECT_EQ(w.force1, 0);
    EXPECT_EQ(w.direction1, 0);
    EXPECT_EQ(w.force2, 0);
    EXPECT_EQ(w.direction2, 0);
    const auto rows = flightAnalysisRows(analyseFlight(track, r));
    EXPECT_EQ(rows[4].second, "   0 (N)");
    EXPECT_EQ(rows[6].second, "   0 (N)");
}

TEST(EstimateWind, CirclingWithoutWind) {
    FlightPlan plan;
    plan.windKmh = 0;
    plan.glidePoints = 0;
    plan.circleAirspeedKmh = 40;
    plan.walkBefore = plan.walkAfter = 0;
    const auto points = generateFlight(plan);
    const WindEstimate w = estimateWind(points, 0, static_cast<std::uint32_t>(points.size() - 1));
    EXPECT_LT(w.force1, 1.0);
    // Every leg flies at 40 km/h relative to a near-zero first estimate: all
    // of them count again, and the second estimate is near zero too.
    EXPECT_LT(w.force2, 1.0);
}

TEST(EstimateWind, OnlyFlyingSpeedLegsEnterTheSecondEstimate) {
    // Legs due east: most at 40 km/h, some at 70 and some at 20 km/h
    // relative to the first estimate. Built from velocity pairs directly.
    std::vector<TrackPoint> p;
    double lon = 139;
    const double mPerDegLon = kMPerDegLat * std::cos(35 * 3.14159265359 / 180);
    std::uint32_t t = 0;
    p.push_back(TrackPoint{35, lon, t, 1, 0, 0.f, 0.f});
    auto leg = [&](double kmhEast) {
        lon += kmhEast / 3.6 * 10 / mPerDegLon;
        t += 10;
        p.push_back(TrackPoint{35, lon, t, 1, 0, 0.f, 0.f});
    };
    for (int i = 0; i < 10; ++i)
        leg(40);
    leg(90); // far faster than flying speed: excluded
    leg(41);
    const WindEstimate w = estimateWind(p, 0, static_cast<std::uint32_t>(p.size() - 1));
    // All legs point east: the first estimate is their mean (the last leg is
    // left out); the 90 km/h leg is 50 km/h off that mean and stays.
    EXPECT_NEAR(w.force1, (10 * 40 + 90) / 11.0, 0.05);
    EXPECT_NEAR(w.direction1, 270, 0.01);
    // Relative to about 44.5 km/h, every 40 km/h leg is 4.5 km/h off: out; the
    // 90 km/h leg alone (45.5 off) makes the second estimate.
    EXPECT_NEAR(w.force2, 90, 0.05);
    EXPECT_NEAR(w.direction2, 270, 0.01);
}

TEST(EstimateWind, DirectionGuardAndQuadrants) {
    // Due north drift: the wind comes from the south; due south: from the north.
    EXPECT_NEAR(estimateWind(trackOfSpeeds({30, 30, 30}).points(), 0, 3).direction1, 180, 1e-9);
    const auto north = trackOfSpeeds({30, 30, 30});
    std::vector<TrackPoint> south(north.points().begin(), north.points().end());
    std::reverse(south.begin(), south.end());
    for (std::size_t i = 0; i < south.size(); ++i)
        south[i].time = static_cast<std::uint32_t>(i * 10);
    EXPECT_EQ(estimateWind(south, 0, 3).direction1, 0);
}

struct WindCase {
    double kmh;
    double fromDeg;
    bool left;
};

class WindFromAFlight : public ::testing::TestWithParam<WindCase> {};

TEST_P(WindFromAFlight, FindsTheWindPutIn) {
    FlightPlan plan;
    plan.windKmh = GetParam().kmh;
    plan.windFromDeg = GetParam().fromDeg;
    plan.circleLeft = GetParam().left;
    const IFTGarminTrack track(generateFlight(plan));
    const FlightRange r = detectFlight(track, -1, kFlightThresholdKmh);
    EXPECT_EQ(r.takeOff, static_cast<std::uint32_t>(plan.launchIndex() + 2));
    EXPECT_EQ(r.landing, static_cast<std::uint32_t>(plan.landingIndex() + 2));
    const FlightAnalysis a = analyseFlight(track, r);
    SCOPED_TRACE(::testing::Message() << "force " << a.wind.force1 << " dir " << a.wind.direction1 << " force2 "
                                      << a.wind.force2 << " dir2 " << a.wind.direction2);
    // The split means read a circle's drift a little high; glides add their
    // own course. Direction within 12 degrees, force within 40 %.
    EXPECT_LT(angleBetween(a.wind.direction1, plan.windFromDeg), 12);
    EXPECT_LT(angleBetween(a.wind.direction2, plan.windFromDeg), 12);
    EXPECT_NEAR(a.wind.force1, plan.windKmh, plan.windKmh * 0.4);
    EXPECT_NEAR(a.wind.force2, plan.windKmh, plan.windKmh * 0.4);
}

INSTANTIATE_TEST_SUITE_P(Winds, WindFromAFlight,
                         ::testing::Values(WindCase{15, 270, false}, WindCase{15, 270, true}, WindCase{12, 0, false},
                                           WindCase{20, 90, true}, WindCase{18, 180, false},
                                           WindCase{15, 225, false}, WindCase{10, 135, true}));

TEST(FlightAnalysisWindow, SegmentSelection) {
    // Two flights in segments 1 and 2.
    FlightPlan a;
    a.cycles = 1;
    FlightPlan b = a;
    b.segment = 2;
    b.startTime += 3600;
    std::vector<TrackPoint> p = generateFlight(a);
    const std::size_t offset = p.size();
    for (const auto& pt : generateFlight(b))
        p.push_back(pt);
    const IFTGarminTrack track(std::move(p));
    // One row: the whole log's first flight.
    EXPECT_EQ(flightOfSegments(track, 2, 2), detectFlight(track, -1, 10.0));
    EXPECT_EQ(flightOfSegments(track, 1, 1).takeOff, static_cast<std::uint32_t>(a.launchIndex() + 2));
    // Rows 1..2: take-off of segment 1, landing of segment 2.
    const FlightRange both = flightOfSegments(track, 1, 2);
    EXPECT_EQ(both.takeOff, static_cast<std::uint32_t>(a.launchIndex() + 2));
    EXPECT_EQ(both.landing, static_cast<std::uint32_t>(offset + b.landingIndex() + 2));
    EXPECT_EQ(flightOfSegments(track, 2, 1), both);
    // Including the TOTAL row (segment 3 does not exist): its landing is the last point.
    EXPECT_EQ(flightOfSegments(track, 1, 3).landing, track.count() - 1);
}

TEST(FlightAnalysisWindow, Texts) {
    EXPECT_EQ(airTimeText(3725), "01:02:05");
    EXPECT_EQ(airTimeText(3725.9), "01:02:05");
    EXPECT_EQ(airTimeText(0), "00:00:00");
    EXPECT_EQ(airTimeText(100 * 3600 + 61), "100:01:01");
    EXPECT_EQ(airTimeText(-3725), "-01:02:05");

    EXPECT_STREQ(compassLabel(0), "N");
    EXPECT_STREQ(compassLabel(45), "NE");
    EXPECT_STREQ(compassLabel(90), "E");
    EXPECT_STREQ(compassLabel(90.5), "SE");
    EXPECT_STREQ(compassLabel(180), "S");
    EXPECT_STREQ(compassLabel(269.9), "SW");
    EXPECT_STREQ(compassLabel(270), "W");
    EXPECT_STREQ(compassLabel(359.9), "NW");
    EXPECT_STREQ(compassLabel(360), "N");
    EXPECT_STREQ(compassLabel(std::nan("")), "-");
    EXPECT_STREQ(compassLabel(-1), "-");

    FlightAnalysis a;
    a.airTime = 3725;
    a.distance = 12.3456;
    a.averageSpeed = 11.93;
    a.wind = {14.25, 270, 16.5, 262.4};
    const auto rows = flightAnalysisRows(a);
    const std::array<FlightAnalysisRow, 7> expected = {{
        {"Air Time[min]", "01:02:05"},
        {"Distance[km]", "   12.346"},
        {"Ave Speed[km/h]", "   11.930"},
        {"Wind Force[km/h]", "   14.250"},
        {"Wind Dir[deg]", " 270 (W)"},
        {"Wind Force(2)", "   16.500"},
        {"Wind Dir(2)", " 262 (SW)"},
    }};
    EXPECT_EQ(rows, expected);
}

TEST(FlightAnalysisWindow, ZeroAirTimeHasNoAverageSpeed) {
    // Two points with one time stamp.
    const IFTGarminTrack track(std::vector<TrackPoint>{TrackPoint{35, 139, 100, 1, 0, 0.f, 0.f},
                                                       TrackPoint{35.01, 139, 100, 1, 0, 0.f, 0.f}});
    const FlightAnalysis a = analyseFlight(track, detectFlight(track, -1, 10.0));
    EXPECT_EQ(a.airTime, 0);
    EXPECT_TRUE(std::isnan(a.averageSpeed));
    EXPECT_EQ(flightAnalysisRows(a)[2].second, "-");
    EXPECT_EQ(a.wind.force1, 0);
}

} // namespace
} // namespace nuvrel

#include "core/analysis/flight_report.h"
#include "core/geo/map_datum.h"

#include "support/flight_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace nuvrel {
namespace {

using test::FlightSim;
using test::SimulatedFlight;
using test::simulateDay;
using test::simulateFlight;

double angleError(double a, double b) {
    const double d = std::fmod(std::abs(a - b), 360.0);
    return std::min(d, 360 - d);
}

// Seconds between the found point's time and the truth.
double timeError(const SimulatedFlight& sim, std::uint32_t index, std::uint32_t truth) {
    return std::abs(static_cast<double>(sim.points[index].time) - static_cast<double>(truth));
}

// The aims on flights with 5 m of position jitter: wind within 3 km/h and
// 15 degrees (a calm day at most 2 km/h), take-off and landing within one
// sampling interval (at least 10 s), for every sampling interval, wind force
// and direction. Prints the worst errors per sampling interval and force.
TEST(FlightReport, WindAndTakeoffLandingWithinTheAims) {
    struct Worst {
        double force = 0, dir = 0, takeoff = 0, landing = 0;
    };
    std::map<std::pair<int, int>, Worst> table;
    for (const std::uint32_t dt : {1u, 2u, 5u, 10u, 30u})
        for (const double kmh : {0.0, 10.0, 20.0, 30.0})
            for (int dir = 0; dir < 360; dir += kmh == 0 ? 360 : 45)
                for (const bool wander : {false, true}) {
                    FlightSim f;
                    f.dt = dt;
                    f.windKmh = kmh;
                    f.windFromDeg = dir;
                    f.noiseM = wander ? 2 : 5;
                    f.wanderM = wander ? 5 : 0;
                    f.altNoiseM = 3;
                    f.seed = static_cast<std::uint32_t>(dt * 1000 + kmh * 10 + dir + wander);
                    const SimulatedFlight sim = simulateFlight(f);
                    const FlightReport r = buildFlightReport(sim.points, -1, ContestRules::XContest);
                    SCOPED_TRACE(testing::Message() << "dt " << dt << " wind " << kmh << " from " << dir
                                                    << (wander ? " wandering" : " white"));
                    ASSERT_EQ(r.flights.size(), 1u);
                    const FlightReportEntry& e = r.flights[0];
                    const double tolerance = std::max(10.0, double(dt));
                    Worst& w = table[{int(dt), int(kmh)}];
                    w.takeoff = std::max(w.takeoff, timeError(sim, e.takeoff, sim.takeoffTimes[0]));
                    w.landing = std::max(w.landing, timeError(sim, e.landing, sim.landingTimes[0]));
                    EXPECT_LE(timeError(sim, e.takeoff, sim.takeoffTimes[0]), tolerance);
                    EXPECT_LE(timeError(sim, e.landing, sim.landingTimes[0]), tolerance);
                    ASSERT_TRUE(e.wind.known);
                    w.force = std::max(w.force, std::abs(e.wind.speedKmh - kmh));
                    if (kmh == 0) {
                        EXPECT_LE(e.wind.speedKmh, 2.0);
                    } else {
                        EXPECT_LE(std::abs(e.wind.speedKmh - kmh), 3.0);
                        EXPECT_LE(angleError(e.wind.fromDeg, dir), 15.0);
                        w.dir = std::max(w.dir, angleError(e.wind.fromDeg, dir));
                    }
                    EXPECT_EQ(e.thermals.size(), sim.thermalTimes.size());
                }
    std::printf("worst errors: sampling s | wind km/h | force km/h | direction deg | take-off s | landing s\n");
    for (const auto& [key, w] : table)
        std::printf("%2d | %2d | %4.1f | %4.1f | %3.0f | %3.0f\n", key.first, key.second, w.force, w.dir, w.takeoff,
                    w.landing);
}

// Logs of several flights, a pause in the log during a flight, a log that
// starts in the air: every flight found with its take-off, landing and
// thermals (height gain and climb as flown), phases covering the log in order.
TEST(FlightReport, FlightsGapsAndThermals) {
    FlightSim base;
    base.noiseM = 5;
    base.altNoiseM = 3;
    struct Case {
        const char* name;
        std::vector<FlightSim> flights;
    };
    FlightSim second = base, gap = base, airborne = base, coarse = base, brief = base;
    second.windKmh = 25, second.windFromDeg = 135, second.cycles = 2, second.seed = 7;
    gap.dt = 5, gap.gapStart = 500, gap.gapSeconds = 150;
    airborne.walkSeconds = airborne.standSeconds = 0;
    coarse.dt = 30, coarse.seed = 3;
    brief.walkSeconds = brief.walkAfterSeconds = 0, brief.standSeconds = brief.standAfterSeconds = 20;
    const Case cases[] = {
        {"two flights", {base, second}},
        {"three flights at 30 s", {coarse, coarse, coarse}},
        {"pause in the log", {gap}},
        {"starts in the air", {airborne}},
        {"log stopped soon after landing, started just before the next launch", {brief, brief}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SimulatedFlight sim = simulateDay(c.flights);
        const FlightReport r = buildFlightReport(sim.points, -1, ContestRules::FFVL);
        ASSERT_EQ(r.flights.size(), sim.takeoffTimes.size());
        const double tolerance = std::max(10.0, double(c.flights[0].dt));
        std::size_t thermal = 0;
        for (std::size_t k = 0; k < r.flights.size(); ++k) {
            const FlightReportEntry& e = r.flights[k];
            EXPECT_LE(timeError(sim, e.takeoff, sim.takeoffTimes[k]), tolerance) << "flight " << k;
            EXPECT_LE(timeError(sim, e.landing, sim.landingTimes[k]), tolerance) << "flight " << k;
            EXPECT_EQ(e.score.rules, ContestRules::FFVL);
            EXPECT_GT(e.score.points, 0);
            for (const ThermalReport& t : e.thermals) {
                ASSERT_LT(thermal, sim.thermalTimes.size());
                const auto [start, end] = sim.thermalTimes[thermal++];
                const double truth = 2.0 * (end - start); // climbMs * seconds
                if (c.flights[0].gapSeconds == 0) { // else a thermal may be cut by the pause
                    EXPECT_NEAR(t.gainM, truth, 0.1 * truth + 10);
                }
                EXPECT_NEAR(t.climbMs, 2.0, 0.3);
                EXPECT_TRUE(t.wind.known);
            }
        }
        EXPECT_EQ(thermal, sim.thermalTimes.size());
        ASSERT_FALSE(r.phases.empty());
        EXPECT_EQ(r.phases.front().first, 0u);
        EXPECT_EQ(r.phases.back().last, sim.points.size() - 1);
        for (std::size_t i = 1; i < r.phases.size(); ++i)
            EXPECT_EQ(r.phases[i].first, r.phases[i - 1].last + 1);
    }
}

// A log held in another datum is scored on its WGS-84 positions: the
// turnpoints are the held points converted.
TEST(FlightReport, ScoresInWgs84) {
    FlightSim f;
    f.courseTurnDeg = 120;
    const SimulatedFlight sim = simulateFlight(f);
    const FlightReport r = buildFlightReport(sim.points, -1, ContestRules::XContest, "Tokyo");
    ASSERT_EQ(r.flights.size(), 1u);
    const MapDatum tokyo("Tokyo");
    for (const ContestPoint& tp : r.flights[0].score.turnpoints) {
        const TrackPoint& held = sim.points[tp.index];
        double lat, lon, alt;
        tokyo.toWgs84(held.latitude, held.longitude, held.altitude, lat, lon, alt);
        EXPECT_DOUBLE_EQ(tp.latitude, lat);
        EXPECT_DOUBLE_EQ(tp.longitude, lon);
        EXPECT_GT(contestDistanceKm(lat, lon, held.latitude, held.longitude), 0.1); // the datums differ here
    }
}

} // namespace
} // namespace nuvrel

// Track logs of made-up flights for the analysis tests and benchmarks: a walk
// to the launch, glides and thermal circles drifting in a steady wind, and a
// walk away from the landing, one point every few seconds.
#pragma once

#include "core/data/records.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace nuvrel::test {

struct FlightPlan {
    double latitude = 35.3850; // launch
    double longitude = 138.5900;
    double windKmh = 15;         // wind force
    double windFromDeg = 270;    // where the wind comes from, clockwise from north
    double glideAirspeedKmh = 38;
    double circleAirspeedKmh = 34;
    double circleSeconds = 24; // one full turn
    bool circleLeft = false;
    double courseDeg = 80;   // heading of the first glide
    double courseTurnDeg = 60; // each glide turns this much from the one before
    std::uint32_t dt = 2;  // seconds between points
    int walkBefore = 10;   // points on foot before the launch (3 km/h)
    int walkAfter = 10;    // and after the landing
    int cycles = 6;        // glide + thermal
    int glidePoints = 20;
    int circlePoints = 96; // whole turns at the default timing
    std::int16_t segment = 1;
    std::uint32_t startTime = 362538000; // 2001-06-27 01:00:00 UTC in receiver seconds

    // Index of the point where the flight starts and of the point where it ends.
    int launchIndex() const { return walkBefore; }
    int landingIndex() const { return walkBefore + cycles * (glidePoints + circlePoints); }
    int pointCount() const { return landingIndex() + 1 + walkAfter; }
};

inline std::vector<TrackPoint> generateFlight(const FlightPlan& plan) {
    constexpr double kPi = 3.14159265359;
    // Metres per degree on the analysis's sphere (radius 6377397.155 m).
    const double mPerDegLat = 2 * kPi * 6377397.155 / 360;
    const double mPerDegLon = mPerDegLat * std::cos(plan.latitude * kPi / 180);
    const double toward = (plan.windFromDeg + 180) * kPi / 180; // the wind blows toward
    const double windE = plan.windKmh / 3.6 * std::sin(toward), windN = plan.windKmh / 3.6 * std::cos(toward);
    const double dt = plan.dt;

    std::vector<TrackPoint> out;
    out.reserve(static_cast<std::size_t>(plan.pointCount()));
    double x = 0, y = 0; // metres east and north of the launch
    double alt = 1450;
    std::uint32_t t = plan.startTime;
    auto push = [&] {
        out.push_back(TrackPoint{plan.latitude + y / mPerDegLat, plan.longitude + x / mPerDegLon, t, plan.segment, 0,
                                 static_cast<float>(alt), 0.f});
        t += plan.dt;
    };
    // Walking towards the launch from the south-west.
    const double walk = 3 / 3.6 * dt;
    x = -walk * plan.walkBefore * 0.7;
    y = -walk * plan.walkBefore * 0.7;
    for (int i = 0; i < plan.walkBefore; ++i) {
        push();
        x += walk * 0.7;
        y += walk * 0.7;
    }
    x = y = 0;
    double heading = plan.courseDeg * kPi / 180;
    const double turn = (plan.circleLeft ? -1 : 1) * 2 * kPi * dt / plan.circleSeconds;
    push(); // the launch
    for (int c = 0; c < plan.cycles; ++c) {
        for (int i = 0; i < plan.glidePoints; ++i) {
            const double v = plan.glideAirspeedKmh / 3.6;
            x += (v * std::sin(heading) + windE) * dt;
            y += (v * std::cos(heading) + windN) * dt;
            alt -= 1.1 * dt;
            push();
        }
        for (int i = 0; i < plan.circlePoints; ++i) {
            heading += turn;
            const double v = plan.circleAirspeedKmh / 3.6;
            x += (v * std::sin(heading) + windE) * dt;
            y += (v * std::cos(heading) + windN) * dt;
            alt += 1.6 * dt;
            push();
        }
        heading += plan.courseTurnDeg * kPi / 180;
    }
    // The landing was the last point pushed; walk away northwards.
    for (int i = 0; i < plan.walkAfter; ++i) {
        y += walk;
        push();
    }
    return out;
}

} // namespace nuvrel::test

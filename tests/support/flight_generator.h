// Track logs of made-up flights for the analysis tests and benchmarks: a walk
// to the launch, glides and thermal circles drifting in a steady wind, and a
// walk away from the landing, one point every few seconds.
#pragma once

#include "core/data/records.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
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

// Two flights of the plan, in segments 1 and 2, the second `apart` seconds
// after the first.
inline std::vector<TrackPoint> generateTwoFlights(FlightPlan plan, std::uint32_t apart) {
    std::vector<TrackPoint> points = generateFlight(plan);
    plan.segment = 2;
    plan.startTime += apart;
    const std::vector<TrackPoint> second = generateFlight(plan);
    points.insert(points.end(), second.begin(), second.end());
    return points;
}

// What is flown between take-off and landing: glides and thermals, or one of
// the patterns without circling (each gliding down at the sink rate):
// straight legs joined by 90-degree turns (15 deg/s, always right),
// figure-eights (a loop right, then one left, at 4 deg/s), S-turns (the
// heading swinging 90 degrees to either side of the course every two and a
// half minutes) and ridge beats (the course and back, turning through the same
// side at 20 deg/s).
// Straight: one heading (the course) all the time, which with a negative sink
// is a straight climb, and into a wind as strong as the air speed a glider
// hovering over one spot.
enum class SimPattern { Thermals, Legs, FigureEights, STurns, RidgeBeats, Straight };

// A flight simulated second by second and logged every dt seconds, with the
// receiver's position jitter (white, and slowly wandering), optional gaps,
// and the truth the analysis should find: a walk to the launch, a wait, the
// take-off (the first glide heads into the wind), glides and thermals
// (climbing circles drifting with the wind), a final glide, the landing, a
// wait and a walk away.
struct FlightSim {
    SimPattern pattern = SimPattern::Thermals;
    int patternSeconds = 720;
    double airspeedDriftKmh = 0; // slow swing of the pattern's air speed (five-minute period)
    double latitude = 45.9000;
    double longitude = 6.1000;
    double windKmh = 15;
    double windFromDeg = 270;
    double glideAirspeedKmh = 38;
    double circleAirspeedKmh = 34;
    double circleSeconds = 24; // thermals alternate 0, +4 and +8 s on this, and their direction
    double climbMs = 2.0;
    double sinkMs = 1.1;
    double courseDeg = -1; // first glide's heading; -1: into the wind
    double courseTurnDeg = 70; // each glide's course turns this much from the one before
    int walkSeconds = 120, standSeconds = 90; // before the take-off
    int standAfterSeconds = 60, walkAfterSeconds = 120;
    int cycles = 4, glideSeconds = 150, thermalSeconds = 240;
    std::uint32_t dt = 2;
    double noiseM = 0;      // white, per axis
    double wanderM = 0;     // slowly wandering (a two-minute memory), per axis
    double altNoiseM = 0;
    int gapStart = -1, gapSeconds = 0; // seconds after the take-off, no points logged
    // Patterns other than thermals: a straight descent on the course right
    // after the take-off and again before the final glide (a launch into a
    // strong wind, the way down to the landing).
    int descentSeconds = 0;
    double descentSinkMs = 1.5;
    std::uint32_t seed = 1;
    std::int16_t segment = 1;
    std::uint32_t startTime = 800000000;
};

struct SimulatedFlight {
    std::vector<TrackPoint> points;
    std::vector<std::uint32_t> takeoffTimes, landingTimes; // receiver time
    std::vector<std::pair<std::uint32_t, std::uint32_t>> thermalTimes;
};

inline SimulatedFlight simulateFlight(const FlightSim& sim) {
    constexpr double kPi = 3.14159265358979323846;
    const double mPerDegLat = kPi * 6371008.8 / 180, mPerDegLon = mPerDegLat * std::cos(sim.latitude * kPi / 180);
    const double toward = (sim.windFromDeg + 180) * kPi / 180;
    const double windE = sim.windKmh / 3.6 * std::sin(toward), windN = sim.windKmh / 3.6 * std::cos(toward);
    std::mt19937 rng(sim.seed);
    std::normal_distribution<double> gauss(0, 1);
    const double keep = std::exp(-1.0 / 120), fresh = std::sqrt(1 - keep * keep);
    double wanderX = 0, wanderY = 0;

    SimulatedFlight out;
    double x = 0, y = 0, alt = 1450;
    std::uint32_t t = sim.startTime;
    const std::uint32_t takeoff = sim.startTime + static_cast<std::uint32_t>(sim.walkSeconds + sim.standSeconds);
    auto tick = [&](double ve, double vn, double vz) {
        wanderX = keep * wanderX + fresh * sim.wanderM * gauss(rng);
        wanderY = keep * wanderY + fresh * sim.wanderM * gauss(rng);
        const double nx = sim.noiseM * gauss(rng), ny = sim.noiseM * gauss(rng), nz = sim.altNoiseM * gauss(rng);
        const long since = static_cast<long>(t) - static_cast<long>(takeoff);
        const bool inGap = sim.gapStart >= 0 && since >= sim.gapStart && since < sim.gapStart + sim.gapSeconds;
        if ((t - sim.startTime) % sim.dt == 0 && !inGap)
            out.points.push_back(TrackPoint{sim.latitude + (y + wanderY + ny) / mPerDegLat,
                                            sim.longitude + (x + wanderX + nx) / mPerDegLon, t, sim.segment, 0,
                                            static_cast<float>(alt + nz), 0.f});
        x += ve, y += vn, alt += vz;
        ++t;
    };
    const double walk = 3 / 3.6;
    x = y = -walk * sim.walkSeconds * 0.7071;
    for (int i = 0; i < sim.walkSeconds; ++i)
        tick(walk * 0.7071, walk * 0.7071, 0);
    x = y = 0;
    for (int i = 0; i < sim.standSeconds; ++i)
        tick(0, 0, 0);
    out.takeoffTimes.push_back(t);
    double course = (sim.courseDeg < 0 ? sim.windFromDeg : sim.courseDeg) * kPi / 180;
    double heading = course;
    auto glide = [&] {
        const double v = sim.glideAirspeedKmh / 3.6;
        for (int i = 0; i < sim.glideSeconds; ++i)
            tick(v * std::sin(course) + windE, v * std::cos(course) + windN, -sim.sinkMs);
        heading = course;
    };
    auto descent = [&] {
        const double v = sim.glideAirspeedKmh / 3.6;
        for (int i = 0; sim.pattern != SimPattern::Thermals && i < sim.descentSeconds; ++i)
            tick(v * std::sin(course) + windE, v * std::cos(course) + windN, -sim.descentSinkMs);
    };
    descent();
    for (int s = 0; sim.pattern != SimPattern::Thermals && s < sim.patternSeconds; ++s) {
        const double deg = kPi / 180;
        switch (sim.pattern) {
        case SimPattern::Legs: // 100 s straight, 6 s turning
            heading = course + 90 * deg * (s / 106) + 15 * deg * std::clamp(s % 106 - 100, 0, 6);
            break;
        case SimPattern::FigureEights: { // 90 s each loop
            const int at = s % 180;
            heading = course + 4 * deg * (at < 90 ? at : 180 - at);
            break;
        }
        case SimPattern::Straight:
            heading = course;
            break;
        case SimPattern::STurns:
            heading = course + 90 * deg * std::sin(2 * kPi * s / 150);
            break;
        default: { // 80 s each way, 9 s turning
            const int at = s % 178;
            heading = course + 20 * deg * (at < 89 ? std::clamp(at - 80, 0, 9) : 9 - std::clamp(at - 169, 0, 9));
            break;
        }
        }
        const double v = (sim.glideAirspeedKmh + sim.airspeedDriftKmh * std::sin(2 * kPi * s / 300 + sim.seed)) / 3.6;
        tick(v * std::sin(heading) + windE, v * std::cos(heading) + windN, -sim.sinkMs);
    }
    descent();
    for (int c = 0; sim.pattern == SimPattern::Thermals && c < sim.cycles; ++c) {
        glide();
        const double period = sim.circleSeconds + 4 * (c % 3);
        const double turn = (c % 2 ? -1 : 1) * 2 * kPi / period;
        const double v = sim.circleAirspeedKmh / 3.6;
        const std::uint32_t start = t;
        for (int i = 0; i < sim.thermalSeconds; ++i) {
            heading += turn;
            tick(v * std::sin(heading) + windE, v * std::cos(heading) + windN, sim.climbMs);
        }
        out.thermalTimes.emplace_back(start, t);
        course += sim.courseTurnDeg * kPi / 180;
    }
    glide();
    out.landingTimes.push_back(t);
    for (int i = 0; i < sim.standAfterSeconds; ++i)
        tick(0, 0, 0);
    for (int i = 0; i < sim.walkAfterSeconds; ++i)
        tick(0, walk, 0);
    tick(0, 0, 0); // the last point
    return out;
}

// Several flights in one log, each starting `pause` seconds after the last
// point of the one before.
inline SimulatedFlight simulateDay(std::vector<FlightSim> flights, std::uint32_t pause = 1800) {
    SimulatedFlight day;
    for (FlightSim& f : flights) {
        if (!day.points.empty())
            f.startTime = day.points.back().time + pause;
        SimulatedFlight one = simulateFlight(f);
        day.points.insert(day.points.end(), one.points.begin(), one.points.end());
        day.takeoffTimes.insert(day.takeoffTimes.end(), one.takeoffTimes.begin(), one.takeoffTimes.end());
        day.landingTimes.insert(day.landingTimes.end(), one.landingTimes.begin(), one.landingTimes.end());
        day.thermalTimes.insert(day.thermalTimes.end(), one.thermalTimes.begin(), one.thermalTimes.end());
    }
    return day;
}

} // namespace nuvrel::test

// What the simulated receiver holds: waypoints, tracks, routes and its
// present position, in WGS-84 degrees.
#pragma once

#include "sim_models.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gpssim {

// Seconds from 1970-01-01 to the receiver's epoch, 1989-12-31 00:00:00 UTC.
inline constexpr std::int64_t kEpochOffset = 631065600;

struct Waypoint {
    std::string ident; // bytes as the receiver stores them
    double lat = 0, lon = 0;
    float alt = 0;
    std::string comment;
    int symbol = 0;
    int display = 0;
    float proximity = 0;
};

struct TrackPoint {
    double lat = 0, lon = 0;
    std::uint32_t time = 0; // receiver seconds
    float alt = 0;
    float depth = 1.0e25f; // "no depth"
    bool newTrack = false;
};

struct Track {
    std::string name;
    std::vector<TrackPoint> points;
};

struct Route {
    int number = 0;
    std::string name;
    std::vector<Waypoint> points;
};

struct Data {
    std::vector<Waypoint> waypoints;
    std::vector<Track> tracks;
    std::vector<Route> routes;
    double lat = 35.3606, lon = 138.7274; // present position
};

// A small set of everything, with names and symbols the model can hold.
Data SampleData(const Model& model);

// One flight of n points every 4 seconds: glides and thermal circles drifting
// in a steady west wind.
Track GenerateFlight(int n);

} // namespace gpssim

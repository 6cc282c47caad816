// The flight inside a track log: take-off and landing found by a ground-speed
// threshold, air time, distance, average speed, and two estimates of the wind
// from the drift of the legs flown (mostly the circling in thermals).
//
// A leg k is the step from point k-1 to point k; its speed is
// distance * 3600 / timeSpan in km/h. Legs whose time difference is zero or
// negative (two points with one time stamp, or a clock that runs backwards)
// have no speed: the take-off and landing search passes over them without
// counting them, and the wind estimates leave them out.
#pragma once

#include "core/data/records.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace nuvrel {

class IFTGarminTrack;

// The ground speed that separates flying from standing or walking, km/h.
inline constexpr double kFlightThresholdKmh = 10.0;

// Point indices of take-off and landing, into the whole log.
struct FlightRange {
    std::uint32_t takeOff = 0;
    std::uint32_t landing = 0;
    friend bool operator==(const FlightRange&, const FlightRange&) = default;
};

// Take-off is the point two before the end of the first run of more than
// three legs at or above thresholdKmh; landing the point two before the end
// of the first later run of more than three legs below it (or, when the log
// ends first, the first point of the trailing slow legs). Segment n is
// searched, or the whole log for n = -1. When n does not occur, or no flight
// is found, the result is the whole log: 0 .. last point. An empty log gives
// (0, 0).
FlightRange detectFlight(const IFTGarminTrack& track, int n, double thresholdKmh);

// The two wind estimates. Forces in km/h; directions the wind comes from in
// degrees clockwise from north, 0 .. 360.
struct WindEstimate {
    double force1 = 0;
    double direction1 = 0;
    double force2 = 0;
    double direction2 = 0;
};

// Over the legs s+1 .. e-1 (the leg that ends at the landing point is left
// out): the first estimate from the mean drift of all legs (the mean of the
// positive and the mean of the negative components, added, for east and for
// north); the second repeats it over the legs whose velocity differs from
// the first estimate by 30 to 55 km/h, that is, that look like flying speed.
WindEstimate estimateWind(std::span<const TrackPoint> points, std::uint32_t s, std::uint32_t e);

// Everything the flight analysis window shows.
struct FlightAnalysis {
    FlightRange range;
    double airTime = 0;      // seconds
    double distance = 0;     // km
    double averageSpeed = 0; // km/h; NaN when the air time is not positive
    WindEstimate wind;
};

// Measures the flight from range.takeOff to range.landing.
FlightAnalysis analyseFlight(const IFTGarminTrack& track, FlightRange range);

// The flight of the track list window's selected rows top .. bottom (row r
// shows segment r): one row analyses the whole log; several take the take-off
// of the top segment and the landing of the bottom one.
FlightRange flightOfSegments(const IFTGarminTrack& track, int top, int bottom);

// "N", "E", "S", "W" at exactly 0, 90, 180, 270; "NE", "SE", "SW", "NW"
// strictly between; "-" for anything else (a direction that is not a number
// or lies outside 0 .. 360).
const char* compassLabel(double direction);

// "%02d:%02d:%02d" of hours, minutes and seconds, each truncated toward
// zero; a negative time shows a leading "-" before its absolute value.
std::string airTimeText(double seconds);

// The seven rows of the flight analysis window: caption and value.
using FlightAnalysisRow = std::pair<std::string, std::string>;
std::array<FlightAnalysisRow, 7> flightAnalysisRows(const FlightAnalysis& analysis);

} // namespace nuvrel

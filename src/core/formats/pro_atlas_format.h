// The two Pro Atlas files:
//   track log (".log"):  01/03/05 12:00:00 N35:39:29.16 E139:46:12.00
//       local date and time, then latitude and longitude in hemisphere form;
//   waypoints (".csv"):  "TOKYO","35/39/29160","139/46/12000",1,0,"35/39/29160","139/46/12000","station"
//       the position without sign (southern and western values come back
//       northern and eastern), in whole thousandths of a second.
// Coordinates are written and read as held; lines end with CR LF.
#pragma once

#include "core/data/records.h"
#include "core/formats/text_sink.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace nuvrel {

// Times are written as local calendar time with the zone's rules for each date.
void writeProAtlasTrack(TextSink& out, std::span<const TrackPoint> points);
void writeProAtlasWaypoints(TextSink& out, std::span<const WaypointRecord> waypoints);

// One point per line (segment 1), its date and time read as local time. A
// line with fewer than four fields ends the import.
class ProAtlasTrackReader {
public:
    bool line(std::string_view text);
    std::vector<TrackPoint> take() { return std::move(points_); }
    // Makes room for the points an import expects.
    std::size_t size() const { return points_.size(); }
    void reserve(std::size_t n) { points_.reserve(n); }
    // Points dated before 1990-01-01, skipped.
    std::size_t tooEarly() const { return tooEarly_; }
    // Lines whose latitude and longitude are angles.
    std::size_t valid() const { return valid_; }

private:
    std::vector<TrackPoint> points_;
    std::size_t tooEarly_ = 0;
    std::size_t valid_ = 0;
};

// One waypoint per line; fields 1 (ident, without its quotes), 2 and 3
// (position) and 8 (comment, without its quotes) are read.
class ProAtlasWaypointReader {
public:
    explicit ProAtlasWaypointReader(std::int16_t displayDefault) : display_(displayDefault) {}
    bool line(std::string_view text);
    std::vector<WaypointRecord> take() { return std::move(waypoints_); }
    // Lines whose latitude and longitude are angles.
    std::size_t valid() const { return valid_; }

private:
    std::int16_t display_;
    std::vector<WaypointRecord> waypoints_;
    std::size_t valid_ = 0;
};

} // namespace nuvrel

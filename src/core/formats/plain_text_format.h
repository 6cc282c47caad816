// Plain text: one track point or waypoint per line, fields separated by
// commas (tabs accepted on import). Coordinates are written and read as held,
// in decimal degrees ("%10.6f") or, when the text coordinate setting asks for
// it, as degrees-minutes-seconds text.
//   track:    latitude,longitude,altitude,segment,time (Unix seconds of the shown time)
//   waypoint: ident,latitude,longitude,comment,symbol,proximity,display,height
// Texts are written as held: a comma inside them is not escaped.
#pragma once

#include "core/data/records.h"
#include "core/formats/text_sink.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace nuvrel {

// The TextCoordinateFormat value that selects degrees-minutes-seconds text.
inline constexpr int kTextFormatDMS = 3;

// timeOffset: the data set's offset (shown time = UTC - timeOffset).
void writeTextTrack(TextSink& out, std::span<const TrackPoint> points, std::int32_t timeOffset, bool dms);
void writeTextWaypoints(TextSink& out, std::span<const WaypointRecord> waypoints, bool dms);

// A coordinate field: plain decimal degrees or any angle text form.
double readCoordinate(std::string_view field);

// Every line gives one point; missing fields keep latitude 0, longitude 0,
// altitude 0, segment 1 and the raw time 631065600. The time field is read
// back with the zone offset (the computer's offset, less an hour when the
// zone has a daylight rule), as the export wrote it.
class TextTrackReader {
public:
    explicit TextTrackReader(std::int32_t zoneOffset) : zoneOffset_(zoneOffset) {}
    bool line(std::string_view text);
    std::vector<TrackPoint> take() { return std::move(points_); }
    // Makes room for the points an import expects.
    std::size_t size() const { return points_.size(); }
    void reserve(std::size_t n) { points_.reserve(n); }

    // A line of the usual shape (decimal numbers, as the export writes
    // them) read in one pass; ok is false for any other shape.
    TrackPoint readUsual(std::string_view text, bool& ok) const;
    // Any line, field by field.
    TrackPoint readGeneral(std::string_view text) const;
    // Lines whose latitude and longitude are numbers or angles.
    std::size_t valid() const { return valid_; }

private:
    // The receiver's time of a time field (Unix seconds of the shown time).
    std::uint32_t receiverTime(std::int64_t shown) const;

    std::int32_t zoneOffset_;
    std::vector<TrackPoint> points_;
    std::size_t valid_ = 0;
};

// Every line gives one waypoint; the first missing field ends the line and
// the rest keep their defaults (display: the given default). Texts longer
// than the record's fields are cut on a character boundary.
class TextWaypointReader {
public:
    explicit TextWaypointReader(std::int16_t displayDefault) : display_(displayDefault) {}
    bool line(std::string_view text);
    std::vector<WaypointRecord> take() { return std::move(waypoints_); }
    // Lines whose latitude and longitude are numbers or angles.
    std::size_t valid() const { return valid_; }

private:
    std::int16_t display_;
    std::vector<WaypointRecord> waypoints_;
    std::size_t valid_ = 0;
};

} // namespace nuvrel

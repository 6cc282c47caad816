// IGC: the flight log that contests and flight-log books read. Export only.
// The file is not from an approved flight recorder, so it carries no
// security record: an "A" record of our own code, the "H" header lines and
// one "B" record per fix (UTC time, WGS-84 position, GNSS altitude).
//
// A B record holds the time of day only; a reader dates each fix from the
// header date and the fix before it (a time more than an hour earlier than
// the last one is the next day). So the writer keeps the times strictly
// increasing and within 23 hours of the fix before: a point that goes back
// in time (or repeats it), or follows after 23 hours or more, is left out.
#pragma once

#include "core/data/records.h"
#include "core/formats/text_sink.h"
#include "core/geo/map_datum.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

class IFTGarminTrack;

// The header values that do not come from the points.
struct IgcHeader {
    std::string pilot;         // HFPLTPILOTINCHARGE
    std::string gliderType;    // HFGTYGLIDERTYPE
    std::string gliderId;      // HFGIDGLIDERID
    std::string receiverModel; // HFFTYFRTYPE and HFGPSRECEIVER, e.g. "GPS 12"
};

// What writeFixes did with the points it was given.
struct IgcWritten {
    std::size_t fixes = 0;   // B records written
    std::size_t leftOut = 0; // points a reader could not date, or without a position
};

class IgcWriter {
public:
    // Points are held in the map datum of that name ("WGS 84": as held);
    // positions and altitudes are converted to WGS-84 as uploads convert them.
    explicit IgcWriter(const std::string& datumName) : datum_(datumName) {}

    // A record and H records; HFDTE is the UTC date of firstFix (seconds
    // since 1970).
    static void writeHeader(TextSink& out, const IgcHeader& header, std::int64_t firstFix);
    // One B record per point that a reader can date (see above).
    IgcWritten writeFixes(TextSink& out, std::span<const TrackPoint> points) const;
    // A whole file: header dated by the first point with a position, then
    // the fixes. Without such a point: the header of 1970-01-01, no fix.
    IgcWritten write(TextSink& out, std::span<const TrackPoint> points, const IgcHeader& header) const;

    // The B record (without line end) of a WGS-84 fix: "B" HHMMSS DDMMmmm N/S
    // DDDMMmmm E/W "A" 00000 and the altitude in whole metres.
    static std::string fixRecord(std::int64_t unixTime, double latitude, double longitude, double altitude);

private:
    MapDatum datum_;
};

// Which points of a log an export writes.
enum class IgcSpan {
    Flight,         // the flight the flight analysis finds, with up to 60 s of ground before and after
    Whole,          // every point
    Segment,        // one segment
    NumberedFlight, // flight n (from 1) of the flight report, with the same ground margin
};

// Half-open index range [first, end) of the points to write; empty when the
// log is empty or the segment does not occur.
struct PointRange {
    std::size_t first = 0;
    std::size_t end = 0;
    bool empty() const { return end <= first; }
    friend bool operator==(const PointRange&, const PointRange&) = default;
};

// Ground kept before take-off and after landing, seconds.
inline constexpr std::int64_t kIgcGroundMargin = 60;

// A flight of the log as whoever chose it found it: its first and last point
// in the air (indices into the whole log) and its air time.
struct IgcFlight {
    std::size_t takeoff = 0;
    std::size_t landing = 0;
    double airTimeS = 0;
};

// number is the segment (Segment); a segment that does not occur gives an
// empty range. Flight and NumberedFlight write the flight given, with the
// ground margin: none given is nothing to write for NumberedFlight (no such
// flight) and the whole log for Flight.
PointRange igcPointRange(const IFTGarminTrack& track, IgcSpan span, int number = 0,
                         const std::optional<IgcFlight>& flight = std::nullopt);

// One thing an IGC export can write: what a pilot picks from when the log
// holds more than one flight or segment.
struct IgcChoice {
    IgcSpan span = IgcSpan::Flight; // by default the flight the flight analysis finds
    int number = 0;      // the flight (from 1) or the segment; 0 for the whole log
    std::size_t from = 0; // take-off and landing, or the segment's first and last point
    std::size_t to = 0;
};

} // namespace nuvrel

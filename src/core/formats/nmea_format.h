// NMEA 0183 logs as recorded from a receiver's serial output, imported as a
// track: RMC sentences give position, date and time, a GGA sentence gives the
// altitude of the point read just before it. Other lines are ignored, and
// checksums are not verified.
#pragma once

#include "core/data/records.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace nuvrel {

// The values of the last sentence parsed.
class NMEA0183 {
public:
    static constexpr double kUnset = -99999;
    enum Result { kOther = -1, kRmc = 1, kGga = 2 };

    int valid = 0;           // 1 after an RMC with status A, 0 after a void one
    std::int64_t time = 0;   // seconds since 1970-01-01 UTC
    double latitude = kUnset;  // degrees, south negative
    double longitude = kUnset; // degrees, west negative
    double altitude = kUnset;  // metres, from GGA

    // kRmc for an RMC (valid or void), kGga for a GGA with an altitude
    // field, kOther for anything else or an RMC that ends early.
    int parse(std::string_view line);

    // True when the line is a sentence of that type from any talker
    // ("$GPRMC", "$GNRMC", ...).
    static bool isSentence(std::string_view line, std::string_view type) {
        return line.size() >= 6 && line[0] == '$' && line.substr(3, 3) == type;
    }

private:
    int parseRmc(std::string_view line);
    int parseGga(std::string_view line);
};

// Builds a track from the lines of a log: one point per valid RMC (segment
// 1, altitude 0 until a GGA follows). A void RMC (status V) is not a
// position and adds no point; a GGA after it changes nothing.
class NmeaTrackReader {
public:
    bool line(std::string_view text);
    std::vector<TrackPoint> take() { return std::move(points_); }
    // Makes room for the points an import expects.
    std::size_t size() const { return points_.size(); }
    void reserve(std::size_t n) { points_.reserve(n); }
    // True when the log held any RMC sentence.
    bool sawRmc() const { return sawRmc_; }

private:
    NMEA0183 sentence_;
    std::vector<TrackPoint> points_;
    bool sawRmc_ = false;
    bool lastFixAdded_ = false;
};

} // namespace nuvrel

// NMEA 0183 logs as recorded from a receiver's serial output, imported as a
// track: RMC sentences give position, date and time, a GGA sentence gives the
// altitude of the point of the same UTC time. Other lines are ignored; a
// sentence whose checksum does not match, or an RMC fix with a damaged field,
// gives no point.
#pragma once

#include "core/data/records.h"

#include <cstdint>
#include <string>
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

    double fixTime = kUnset;   // the hhmmss(.ss) time field of the last GGA, as a number

    // kRmc for an RMC (valid or void), kGga for a GGA with an altitude
    // field, kOther for anything else, an RMC that ends early or a valid RMC
    // with an empty or malformed time, date, latitude, longitude or
    // hemisphere field. A "*hh" checksum suffix is not part of any field.
    int parse(std::string_view line);

    // False when the sentence ends in "*hh" (or a "*" without two hex
    // digits) that does not match its characters between "$" and "*".
    static bool checksumMatches(std::string_view sentence);

    // kRmc or kGga for those sentences from any talker ("$GPRMC", "$GNRMC",
    // ...), kOther otherwise.
    static int typeOf(std::string_view line) {
        if (line.size() < 6 || line[0] != '$')
            return kOther;
        const char* const t = line.data() + 3;
        if (t[0] == 'R' && t[1] == 'M' && t[2] == 'C')
            return kRmc;
        if (t[0] == 'G' && t[1] == 'G' && t[2] == 'A')
            return kGga;
        return kOther;
    }

    // A ddmm.mmmm (or dddmm.mmmm) field in decimal degrees.
    static double degreesMinutes(std::string_view field);

private:
    int parseRmc(std::string_view line);
    int parseGga(std::string_view line);

    // The date of the last RMC and the UTC seconds of its midnight.
    struct Day {
        int year = 0, month = 0, day = 0;
        std::int64_t start = 0;
    };
    Day day_;
};

// Why sentences of a log gave no point, and how many.
struct NmeaSkips {
    std::size_t badChecksum = 0; // "*hh" not matching the sentence
    std::size_t cutShort = 0;    // broken off by the "$" of the next sentence
    std::size_t malformed = 0;   // an RMC fix with an empty or damaged field
    std::size_t voidFixes = 0;   // RMC status V
    std::size_t tooEarly = 0;    // a fix before 1990-01-01, which the track cannot hold
    std::size_t noChecksum = 0;  // a sentence without "*hh" in a log whose other sentences have one
    std::size_t total() const { return badChecksum + cutShort + malformed + voidFixes + tooEarly + noChecksum; }
    // One line per reason with a count, "skipped 2 sentences with a wrong checksum".
    std::vector<std::string> describe() const;
};

// Builds a track from the lines of a log: one point per valid RMC (segment
// 1), its altitude from the nearest GGA with a fix within 2 s of its UTC time,
// written before or after it; without one the point has no altitude (the
// receiver's -9999). In a log whose sentences carry checksums, a sentence
// without one is skipped and counted. A "$" inside a line starts a new
// sentence.
class NmeaTrackReader {
public:
    bool line(std::string_view text);
    std::vector<TrackPoint> take();
    // Makes room for the points an import expects.
    std::size_t size() const { return points_.size(); }
    void reserve(std::size_t n) {
        points_.reserve(n);
        fixes_.reserve(n);
    }
    // True when the log held any RMC sentence.
    bool sawRmc() const { return sawRmc_; }
    const NmeaSkips& skips() const { return skips_; }

private:
    void sentence(std::string_view text);

    // What take() needs of each point and each GGA: the second of the day,
    // whether the sentence carried a checksum, and (GGA) the altitude and
    // how many GGAs came before the point.
    struct Fix {
        double second;
        std::uint32_t ggasBefore;
        bool checksum;
    };
    struct Gga {
        double second;
        double altitude;
        bool checksum;
    };

    NMEA0183 sentence_;
    std::vector<TrackPoint> points_;
    std::vector<Fix> fixes_;
    std::vector<Gga> ggas_;
    NmeaSkips skips_;
    bool sawRmc_ = false;
    bool sawChecksum_ = false;
};

} // namespace nuvrel

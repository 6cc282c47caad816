// IGC flight logs imported as a track. Each B record is a fix: its time of
// day is dated by the HFDTE header ("HFDTE150619" or "HFDTEDATE:150619,01"),
// and the day rolls over where a time is more than an hour earlier than the
// fix before (as other IGC readers date fixes across UTC midnight). A time
// earlier by less than that runs back: the log goes on in a new segment. A
// fix of the same second as the one before is dropped.
//
// Altitude: the GNSS altitude; where a fix has none (00000 or a record that
// ends before it), its pressure altitude moved by the difference between the
// two on the nearest fix that has both; a log without any GNSS altitude takes
// the pressure altitude throughout. Fixes of validity V (2-D) are kept: the
// track point cannot say so, the notes count them. The LAD and LOD extensions
// of the I record add their digits to the minutes. Positions are converted
// from WGS-84 into the map datum of the given name, as downloads convert them.
// A, H (other than the date), I, L, G and other records are not read.
//
// Bad input (a B record without the fields of its layout, a B record before
// any date, a damaged date, a fix before 1990) gives "line N: ..." and no
// point at all; so does a file without any B record.
#pragma once

#include "core/data/records.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

struct IgcRead {
    std::vector<TrackPoint> points;
    std::string error; // "line 12: B record too short", "cannot open FILE"; no points then

    std::size_t records = 0;      // B records read
    std::size_t duplicates = 0;   // of the same second as the fix before: dropped
    std::size_t voidFixes = 0;    // validity V, kept
    std::size_t pressureFixes = 0; // altitude from the pressure altitude
    std::size_t noAltitude = 0;   // neither altitude recorded: 0 m
    std::size_t timeBack = 0;     // times running back, each starting a segment
    std::int64_t firstTime = 0;   // seconds since 1970 of the first fix

    // Which altitude was used: "GNSS", "pressure" or "GNSS and pressure".
    std::string altitudeSource() const;
    // One line each for what was dropped, kept, or taken from elsewhere.
    std::vector<std::string> notes() const;
};

// Reads a log line by line. Points are numbered from firstSegment.
class IgcReader {
public:
    IgcReader(std::string datumName, std::int16_t firstSegment = 1);

    // One line (without its line end); false once the input is bad.
    bool line(std::string_view text);
    // The points, or the error; the reader is spent.
    IgcRead finish();

private:
    struct Fix {
        std::int64_t time;
        double latitude, longitude;
        std::int32_t gnss, pressure; // kNone when not recorded
        std::int16_t segment;
    };
    static constexpr std::int32_t kNone = std::numeric_limits<std::int32_t>::min();

    bool fail(const std::string& what);
    bool header(std::string_view text);
    void extensions(std::string_view text);
    bool fix(std::string_view text);

    std::string datumName_;
    std::int16_t segment_;
    std::size_t lineNumber_ = 0;
    std::int64_t dayStart_ = -1; // seconds since 1970 of the HFDTE date's midnight
    std::int64_t last_ = -1;     // time of the last fix
    int ladAt_ = -1, ladLength_ = 0, lodAt_ = -1, lodLength_ = 0;
    std::vector<Fix> fixes_;
    IgcRead read_;
};

IgcRead readIgcText(std::string_view text, const std::string& datumName, std::int16_t firstSegment = 1);
// A FIFO, a device or a folder is refused ("cannot open FILE: it is ...").
IgcRead readIgcFile(const std::string& path, const std::string& datumName, std::int16_t firstSegment = 1);

} // namespace nuvrel

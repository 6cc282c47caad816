#include "core/formats/format_read.h"

#include "core/formats/format_registry.h"
#include "core/formats/nmea_format.h"
#include "core/formats/plain_text_format.h"
#include "core/formats/pro_atlas_format.h"
#include "core/formats/text_lines.h"
#include "core/regular_file.h"

#include <concepts>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <variant>

namespace nuvrel {

namespace {

// Where the lines come from.
using Source = std::variant<const std::string*, std::string_view>;

// Readers that can make room for their records ahead.
template <typename Reader>
concept Reserving = requires(Reader& r, const Reader& c, std::size_t n) {
    { c.size() } -> std::convertible_to<std::size_t>;
    r.reserve(n);
};

// A large file's record count, estimated from its first part: the records
// then go into one block of the right size instead of a growing one, whose
// copies cost about as much as reading the file.
constexpr std::uint64_t kSampleBytes = 1 << 20;
constexpr std::uint64_t kMaxReserveBytes = std::uint64_t{1} << 32;

template <typename Reader>
void reserveForRest(Reader& reader, const LineFileReader& file) {
    const std::uint64_t records = reader.size();
    const std::uint64_t consumed = file.consumed();
    if (records == 0 || consumed == 0 || file.fileSize() <= consumed)
        return;
    // A twentieth more than the sample's rate, for files whose lines vary.
    const double expected = static_cast<double>(records) * static_cast<double>(file.fileSize()) /
                            static_cast<double>(consumed) * 1.05;
    if (expected * sizeof(TrackPoint) >= static_cast<double>(kMaxReserveBytes))
        return;
    try {
        reader.reserve(static_cast<std::size_t>(expected) + 16);
    } catch (const std::bad_alloc&) {
        // Only a guess from the file's start (which may be unlike its
        // rest): the records then grow as they come.
    }
}

template <typename Reader>
LineScan feedFile(Reader& reader, const std::string& path) {
    LineScan scan;
    LineFileReader file(path);
    if (!file.isOpen())
        return scan;
    bool estimated = !Reserving<Reader> || file.fileSize() < 2 * kSampleBytes;
    std::string_view line;
    while (file.next(line)) {
        ++scan.lines;
        if (!reader.line(line))
            break;
        if constexpr (Reserving<Reader>) {
            if (!estimated && file.consumed() >= kSampleBytes) {
                estimated = true;
                reserveForRest(reader, file);
            }
        }
    }
    scan.opened = !file.failed();
    scan.lineFeeds = file.lineFeeds();
    return scan;
}

template <typename Reader>
LineScan feed(Reader& reader, const Source& source) {
    if (const auto* path = std::get_if<const std::string*>(&source))
        return feedFile(reader, **path);
    return forEachLine(std::get<std::string_view>(source),
                       [&reader](std::string_view line) { return reader.line(line); });
}

// Runs a reader over the source and takes its records, mapping failures.
template <typename Reader, typename Result>
ReadProblem run(Reader& reader, const Source& source, Result& records, bool isPot, bool isNmea = false) {
    try {
        const LineScan scan = feed(reader, source);
        if (!scan.opened)
            return ReadProblem::OpenFailed;
        if (isPot && scan.lineFeeds == 0)
            return ReadProblem::NotPot;
        // A file without one valid record imports nothing (its lines would
        // only give points at 0 degrees, 0 degrees).
        std::size_t valid = 0;
        if constexpr (requires { reader.valid(); })
            valid = reader.valid();
        records = reader.take();
        if constexpr (!requires { reader.valid(); })
            valid = records.size();
        if (valid == 0 && !isNmea) {
            records = {};
            return ReadProblem::NoRecords;
        }
        // Spare room beyond an eighth is given back (a copy of the records).
        if (records.capacity() - records.size() > records.size() / 8)
            records.shrink_to_fit();
        return ReadProblem::None;
    } catch (const std::bad_alloc&) {
        records = {};
        return ReadProblem::OutOfMemory;
    } catch (const std::length_error&) {
        records = {};
        return ReadProblem::OutOfMemory;
    }
}

TrackRead readTrack(int kind, const Source& source, const ImportOptions& options) {
    TrackRead r;
    switch (kind) {
    case kTrackFilePot: {
        PotTrackReader reader;
        r.problem = run(reader, source, r.points, true);
        break;
    }
    case kTrackFileText: {
        TextTrackReader reader(options.zoneOffset);
        r.problem = run(reader, source, r.points, false);
        break;
    }
    case kTrackFileProAtlas: {
        ProAtlasTrackReader reader;
        r.problem = run(reader, source, r.points, false);
        if (reader.tooEarly())
            r.notes.push_back("skipped " + std::to_string(reader.tooEarly()) + " point" +
                              (reader.tooEarly() == 1 ? "" : "s") + " dated before 1990-01-01");
        break;
    }
    case kTrackFileNmea: {
        NmeaTrackReader reader;
        r.problem = run(reader, source, r.points, false, true);
        if (r.problem == ReadProblem::None && r.points.empty())
            r.problem = reader.sawRmc() ? ReadProblem::NoFix : ReadProblem::NoRmc;
        r.notes = reader.skips().describe();
        break;
    }
    default:
        r.problem = ReadProblem::UnknownKind;
        break;
    }
    if (r.problem != ReadProblem::None)
        r.points.clear();
    return r;
}

WaypointRead readWaypoints(int kind, const Source& source, const ImportOptions& options) {
    WaypointRead r;
    switch (kind) {
    case kWaypointFilePot: {
        PotWaypointReader reader(options.displayDefault);
        r.problem = run(reader, source, r.waypoints, true);
        break;
    }
    case kWaypointFileText: {
        TextWaypointReader reader(options.displayDefault);
        r.problem = run(reader, source, r.waypoints, false);
        break;
    }
    case kWaypointFileProAtlas: {
        ProAtlasWaypointReader reader(options.displayDefault);
        r.problem = run(reader, source, r.waypoints, false);
        break;
    }
    default:
        break;
    }
    if (r.problem != ReadProblem::None)
        r.waypoints.clear();
    return r;
}

RouteRead readRoutes(const Source& source) {
    RouteRead r;
    PotRouteReader reader;
    r.problem = run(reader, source, r.routes, false);
    return r;
}

// Reads a file, or its text converted into the program's code page when it
// is in another encoding (or holds a byte-order mark, or is ambiguous).
template <typename Read>
auto readFile(const std::string& path, Read read) {
    // A FIFO or a device (/dev/zero) is refused before anything waits on it
    // or reads it without end.
    if (!IsReadableRegularFile(path)) {
        decltype(read(Source(&path))) refused;
        refused.problem = ReadProblem::OpenFailed;
        return refused;
    }
    std::string text;
    if (!fileNeedsDecoding(path, activeCodePage()) || !readWholeFile(path, text))
        return read(Source(&path));
    TextConversion conversion;
    text = decodeText(text, activeCodePage(), conversion);
    auto r = read(Source(std::string_view(text)));
    r.converted = std::move(conversion);
    return r;
}

} // namespace

TrackRead readTrackFile(int kind, const std::string& path, const ImportOptions& options) {
    return readFile(path, [&](const Source& source) { return readTrack(kind, source, options); });
}
TrackRead readTrackText(int kind, std::string_view text, const ImportOptions& options) {
    return readTrack(kind, Source(text), options);
}
WaypointRead readWaypointFile(int kind, const std::string& path, const ImportOptions& options) {
    return readFile(path, [&](const Source& source) { return readWaypoints(kind, source, options); });
}
WaypointRead readWaypointText(int kind, std::string_view text, const ImportOptions& options) {
    return readWaypoints(kind, Source(text), options);
}
RouteRead readPotRouteFile(const std::string& path) { return readFile(path, readRoutes); }
RouteRead readPotRouteText(std::string_view text) { return readRoutes(Source(text)); }

} // namespace nuvrel

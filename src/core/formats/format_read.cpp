#include "core/formats/format_read.h"

#include "core/formats/format_registry.h"
#include "core/formats/nmea_format.h"
#include "core/formats/plain_text_format.h"
#include "core/formats/pro_atlas_format.h"
#include "core/formats/text_lines.h"

#include <new>
#include <stdexcept>
#include <variant>

namespace nuvrel {

namespace {

// Where the lines come from.
using Source = std::variant<const std::string*, std::string_view>;

template <typename Reader>
LineScan feed(Reader& reader, const Source& source) {
    auto onLine = [&reader](std::string_view line) { return reader.line(line); };
    if (const auto* path = std::get_if<const std::string*>(&source))
        return forEachFileLine(**path, onLine);
    return forEachLine(std::get<std::string_view>(source), onLine);
}

// Runs a reader over the source and takes its records, mapping failures.
template <typename Reader, typename Result>
ReadProblem run(Reader& reader, const Source& source, Result& records, bool isPot) {
    try {
        const LineScan scan = feed(reader, source);
        if (!scan.opened)
            return ReadProblem::OpenFailed;
        if (isPot && scan.lineFeeds == 0)
            return ReadProblem::NotPot;
        records = reader.take();
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
        break;
    }
    case kTrackFileNmea: {
        NmeaTrackReader reader;
        r.problem = run(reader, source, r.points, false);
        if (r.problem == ReadProblem::None && !reader.sawRmc())
            r.problem = ReadProblem::NoRmc;
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

} // namespace

TrackRead readTrackFile(int kind, const std::string& path, const ImportOptions& options) {
    return readTrack(kind, Source(&path), options);
}
TrackRead readTrackText(int kind, std::string_view text, const ImportOptions& options) {
    return readTrack(kind, Source(text), options);
}
WaypointRead readWaypointFile(int kind, const std::string& path, const ImportOptions& options) {
    return readWaypoints(kind, Source(&path), options);
}
WaypointRead readWaypointText(int kind, std::string_view text, const ImportOptions& options) {
    return readWaypoints(kind, Source(text), options);
}
RouteRead readPotRouteFile(const std::string& path) { return readRoutes(Source(&path)); }
RouteRead readPotRouteText(std::string_view text) { return readRoutes(Source(text)); }

} // namespace nuvrel

// GPX 1.1 (and 1.0 on import): tracks, waypoints and routes in one XML file,
// the exchange format of today's mapping programs. Positions in the file are
// always WGS-84: the export converts from the map datum as uploads do, the
// import into the map datum as downloads do. Texts are written as UTF-8 and
// read in the file's declared encoding, converted from and to the program's
// code page. Times are UTC ("...Z");
// a track point without a time has time 0, and time 0 is written as none.
#pragma once

#include "core/codepage.h"
#include "core/data/records.h"
#include "core/data/route_store.h"
#include "core/formats/text_sink.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

struct GpxSettings {
    std::string datumName = "WGS 84"; // the map datum the records hold
    // The receiver whose symbol set names the symbols ("sym").
    std::int32_t productId = 59;
    std::int32_t softwareVersion = 0;
    std::int16_t displayDefault = 0; // display option of imported waypoints
    CodePage codePage = CodePage::Utf8;
};

// The kinds an import or export takes.
struct GpxKinds {
    bool track = true;
    bool waypoints = true;
    bool routes = true;
};

// Export: one "trk" with a "trkseg" per track segment, a "wpt" per waypoint,
// an "rte" per non-empty route.
struct GpxSource {
    std::span<const TrackPoint> track;
    std::span<const WaypointRecord> waypoints;
    std::span<const CRouteField::Route> routes;
};
void writeGpx(TextSink& out, const GpxSource& source, const GpxSettings& settings);

// Import: track segments numbered 1, 2, ... over every "trkseg" of every
// "trk"; names and comments cut to the records' fields (noted); points
// without a usable position skipped (noted); symbols by name in the
// receiver's set (or as a number). Namespaces and extensions are ignored.
// The file must be well-formed XML (else "line N: ..." and nothing read);
// its declared encoding is honoured (Shift_JIS, EUC-JP, windows-1252, ...).
struct GpxContent {
    std::vector<TrackPoint> track;
    std::vector<WaypointRecord> waypoints;
    std::vector<CRouteField::Route> routes;
};
struct GpxRead {
    GpxContent content; // empty when error is set
    std::string error;  // "line 12: mismatched tag", "cannot open FILE", ...
    // What the import changed or left out: a summary ("2 points skipped,
    // 1 name cut"), then the first of them by line, then "and N more".
    std::vector<std::string> notes;
};
GpxRead readGpxText(std::string_view text, const GpxSettings& settings, GpxKinds kinds = {});
GpxRead readGpxFile(const std::string& path, const GpxSettings& settings, GpxKinds kinds = {});
// As readGpxText, handing the parser pieces of pieceSize bytes: the same
// records whatever the pieces (characters and lines cut between them).
GpxRead readGpxTextInPieces(std::string_view text, std::size_t pieceSize, const GpxSettings& settings,
                            GpxKinds kinds = {});

// "2024-05-01T12:34:56Z" for a receiver time, and back: any ISO 8601 time
// with seconds, fractions (cut) and a zone ("Z", "+09:00"; none is UTC).
// False for a text of another shape or a time the receiver cannot hold.
std::string gpxTimeText(std::uint32_t receiverTime);
bool parseGpxTime(std::string_view text, std::uint32_t& receiverTime);

} // namespace nuvrel

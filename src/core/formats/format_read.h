// Reading a track, waypoints or routes by import kind, from a file or from
// text in memory, into plain records. Nothing here touches the data set.
#pragma once

#include "core/data/records.h"
#include "core/formats/pot_format.h"
#include "core/formats/text_encoding.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

// Why a read gave nothing (the records are then empty).
enum class ReadProblem {
    None,
    OpenFailed,  // "File open error"
    NotPot,      // a POT file without any line feed: "not a POT file"
    NoRmc,       // an NMEA log without any RMC sentence
    NoFix,       // an NMEA log whose RMC sentences hold no valid position fix
    OutOfMemory, // "can't allocate enough memory"
    UnknownKind, // a track kind other than 1 to 4: "unsupport version/format"
    NoRecords,   // a file without a single valid record: nothing is imported
};

struct ImportOptions {
    // Read back the plain-text time field: the zone offset of the computer,
    // less an hour when the zone has a daylight rule.
    std::int32_t zoneOffset = 0;
    // The display option of waypoints read from files without one.
    std::int16_t displayDefault = 0;
};

struct TrackRead {
    std::vector<TrackPoint> points;
    ReadProblem problem = ReadProblem::None;
    std::vector<std::string> notes; // what was skipped and why, one line each
    TextConversion converted = TextConversion::None; // a file in the other code page
};
struct WaypointRead {
    std::vector<WaypointRecord> waypoints;
    ReadProblem problem = ReadProblem::None;
    TextConversion converted = TextConversion::None; // a file in the other code page
};
struct RouteRead {
    std::vector<PotRoute> routes; // empty when the file is not a route file
    ReadProblem problem = ReadProblem::None;
    TextConversion converted = TextConversion::None; // a file in the other code page
};

// Files are read in the program's code page; one in the other code page (see
// text_encoding.h) is converted first.
TrackRead readTrackFile(int kind, const std::string& path, const ImportOptions& options);
TrackRead readTrackText(int kind, std::string_view text, const ImportOptions& options);
// Waypoint kinds other than 1 to 3 give an empty store without a problem.
WaypointRead readWaypointFile(int kind, const std::string& path, const ImportOptions& options);
WaypointRead readWaypointText(int kind, std::string_view text, const ImportOptions& options);
RouteRead readPotRouteFile(const std::string& path);
RouteRead readPotRouteText(std::string_view text);

} // namespace nuvrel

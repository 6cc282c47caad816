// Imports into the data set and the route store: the store of the imported
// kind is replaced by what the file holds once it is read whole; a read that
// fails is reported through the data set's prompts and leaves the store, its
// modified flag and the time offset as they were.
#pragma once

#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "core/formats/format_read.h"
#include "core/formats/gpx_format.h"
#include "core/platform.h"

#include <string>
#include <vector>

namespace nuvrel {

// Shows the message for a failed read (nothing for ReadProblem::None).
void reportReadProblem(UserPrompts& prompts, ReadProblem problem);

// Each import tells in converted (when given) whether the file was in the
// other code page and has been converted (see text_encoding.h).

// Replaces the track log from a file of the given kind (1 POT, 2 text,
// 3 Pro Atlas log, 4 NMEA) and resets the time offset from the computer's
// zone. True when the log was replaced; problem (when given) tells why not,
// notes what the reader skipped and why.
bool ImportTrack(IFTGarminData& data, int kind, const std::string& path, ReadProblem* problem = nullptr,
                 std::vector<std::string>* notes = nullptr, TextConversion* converted = nullptr);

// Replaces the waypoint store (1 POT, 2 text, 3 Pro Atlas CSV) and resets the
// time offset. True when the store was replaced.
bool ImportWaypoints(IFTGarminData& data, int kind, const std::string& path, ReadProblem* problem = nullptr,
                     TextConversion* converted = nullptr);

// Appends the routes of a POT route file to the store, each named
// "first TO last"; a file whose last record is not a route point adds
// nothing, and so does running out of memory (error 6). Returns the number
// of routes added.
int ImportPotRoutes(CRouteField& routes, const std::string& path, UserPrompts& prompts,
                    ReadProblem* problem = nullptr, TextConversion* converted = nullptr);

// What a GPX import took: the counts, or the reason it took nothing.
struct GpxImport {
    std::size_t points = 0;
    std::size_t waypoints = 0;
    std::size_t routes = 0;
    std::string error; // shown as "path: error"
    std::vector<std::string> notes; // names cut and points skipped (GpxRead::notes)
};

// Reads a GPX file and, of the kinds asked for that the file holds, replaces
// the track log (time offset reset) and the waypoint store and appends the
// routes. A file that cannot be read (malformed XML, with its line) or too
// little memory for its routes changes nothing; the error is reported
// through the data set's prompts. Names cut and points skipped are listed
// after the import in a message titled "Warning".
GpxImport ImportGpx(IFTGarminData& data, CRouteField& routes, const std::string& path, GpxKinds kinds,
                    const GpxSettings& settings);

} // namespace nuvrel

// Plain-text tracks and waypoints: the readers over arbitrary bytes through
// the import dispatch, and every record read written out again in both
// coordinate forms.
#include "core/formats/format_read.h"
#include "core/formats/format_registry.h"
#include "core/formats/plain_text_format.h"

#include "core/formats/text_lines.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

using namespace nuvrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ImportOptions options;
    options.zoneOffset = -32400;
    const TrackRead track = readTrackText(kTrackFileText, text, options);
    // The one-pass reading of usual lines agrees with the general one.
    const TextTrackReader reader(options.zoneOffset);
    forEachLine(text, [&](std::string_view line) {
        bool usual = false;
        const TrackPoint fast = reader.readUsual(line, usual);
        const TrackPoint general = reader.readGeneral(line);
        if (usual && std::memcmp(&fast, &general, sizeof fast) != 0)
            std::abort();
        return true;
    });
    const WaypointRead waypoints = readWaypointText(kWaypointFileText, text, options);
    for (bool dms : {false, true}) {
        TextSink out;
        writeTextTrack(out, track.points, -32400, dms);
        writeTextWaypoints(out, waypoints.waypoints, dms);
    }
    return 0;
}

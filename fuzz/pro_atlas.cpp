// Pro Atlas log and CSV files: both readers over arbitrary bytes through the
// import dispatch, and what they read written out again.
#include "core/formats/format_read.h"
#include "core/formats/format_registry.h"
#include "core/formats/pro_atlas_format.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace nuvrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TrackRead track = readTrackText(kTrackFileProAtlas, text, {});
    const WaypointRead waypoints = readWaypointText(kWaypointFileProAtlas, text, {});
    TextSink out;
    writeProAtlasTrack(out, track.points);
    writeProAtlasWaypoints(out, waypoints.waypoints);
    return 0;
}

// POT lines: the track, waypoint and route readers over arbitrary bytes, and
// every record read written out again.
#include "core/formats/pot_format.h"
#include "core/formats/text_lines.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace nuvrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    PotTrackReader track;
    PotWaypointReader waypoints(3);
    PotRouteReader routes;
    forEachLine(text, [&](std::string_view line) {
        track.line(line);
        waypoints.line(line);
        routes.line(line);
        POT record;
        record.parse(line);
        (void)record.trackPointLine();
        (void)record.routePointLine();
        return true;
    });
    TextSink out;
    const auto points = track.take();
    const auto wpts = waypoints.take();
    writePotTrack(out, points, DatumInfo{});
    writePotWaypoints(out, wpts, DatumInfo{});
    (void)routes.take();
    return 0;
}

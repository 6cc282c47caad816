// POT lines: the track, waypoint and route readers over arbitrary bytes,
// every record read written out again, and the parser's shortcut checked
// against its general reading.
#include "core/formats/pot_format.h"
#include "core/formats/text_lines.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace nuvrel;

namespace {
bool same(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    PotTrackReader track;
    PotWaypointReader waypoints(3);
    PotRouteReader routes;
    POT viaParse, viaGeneral; // kept across lines, as their date caches are
    forEachLine(text, [&](std::string_view line) {
        viaParse.parse(line);
        viaGeneral.parseGeneral(line);
        if (viaParse.kind != viaGeneral.kind || viaParse.time != viaGeneral.time ||
            viaParse.address != viaGeneral.address || viaParse.text != viaGeneral.text ||
            !same(viaParse.latitude, viaGeneral.latitude) || !same(viaParse.longitude, viaGeneral.longitude) ||
            !same(viaParse.altitude, viaGeneral.altitude) || !same(viaParse.direction, viaGeneral.direction))
            __builtin_trap();
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

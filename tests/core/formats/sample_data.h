// The small data set behind the golden files in golden/: a two-segment track,
// two waypoints and three routes (the first one empty).
#pragma once

#include "core/codepage.h"
#include "core/data/records.h"
#include "core/data/route_store.h"
#include "core/formats/text_lines.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel::test {

// Runs an import reader over the lines of text and takes its records.
template <typename Reader>
auto readAll(Reader reader, std::string_view text) {
    forEachLine(text, [&](std::string_view l) { return reader.line(l); });
    return reader.take();
}

inline std::filesystem::path goldenPath(const std::string& name) {
    return std::filesystem::path(__FILE__).parent_path() / "golden" / name;
}

inline TrackPoint makePoint(double lat, double lon, float alt, std::int16_t segment, std::int64_t unixTime) {
    TrackPoint p{};
    p.latitude = lat;
    p.longitude = lon;
    p.altitude = alt;
    p.segment = segment;
    p.time = static_cast<std::uint32_t>(unixTime - kReceiverEpochOffset);
    return p;
}

// 2001-03-05 03:00:00 UTC and after.
inline std::vector<TrackPoint> sampleTrack() {
    return {makePoint(35 + 39 / 60.0 + 29.1 / 3600, 139.77, 12.5f, 1, 983761200),
            makePoint(-0.5, -5.25, -12.5f, 1, 983761260), makePoint(48.1173, 11.516667, 545.4f, 2, 983764800)};
}

inline WaypointRecord makeWaypoint(const std::string& ident, const std::string& comment, double lat, double lon,
                                   float alt, float proximity, std::int16_t symbol, std::int16_t display) {
    WaypointRecord w{};
    copyToField(w.ident, sizeof w.ident, ident);
    copyToField(w.comment, sizeof w.comment, comment);
    w.latitude = lat;
    w.longitude = lon;
    w.altitude = alt;
    w.proximity = proximity;
    w.symbol = symbol;
    w.display = display;
    return w;
}

inline std::vector<WaypointRecord> sampleWaypoints() {
    return {makeWaypoint("TOKYO", "station", 35.681236, 139.767125, 3.0f, 0.0f, 18, 3),
            makeWaypoint("LONGNAME12", "a long comment for cutting at forty characters here", -33.5, -70.25, -12.5f,
                         25.0f, 0, 0)};
}

inline RouteEntry makeEntry(const std::string& ident, const std::string& comment, double lat, double lon,
                            float alt) {
    RouteEntry e{};
    copyToField(e.ident, sizeof e.ident, ident);
    copyToField(e.comment, sizeof e.comment, comment);
    e.latitude = lat;
    e.longitude = lon;
    e.altitude = alt;
    return e;
}

inline std::vector<CRouteField::Route> sampleRoutes() {
    return {{"ROUTE-00", {}},
            {"HOME TO AWAY",
             {makeEntry("HOME", "start", 35.5, 139.5, 10.0f), makeEntry("AWAY", "end point", 35.75, 139.25, -3.0f)}},
            {"ROUTE-02", {makeEntry("SOLO", "", 1.5, 2.5, 0.0f)}}};
}

// A clock frozen at 2023-11-14 22:13:20 UTC.
inline constexpr std::int64_t kFrozenNow = 1700000000;

} // namespace nuvrel::test

// PCX5: fixed-column text files of tracks (".trk"), waypoints (".wpt") and
// routes (".rte") with a header naming the map datum. Export only.
// Coordinates are written as held, in decimal degrees of the selected datum.
#pragma once

#include "core/data/records.h"
#include "core/data/route_store.h"
#include "core/formats/datum_info.h"
#include "core/formats/text_sink.h"

#include <cstdint>
#include <span>
#include <string>

namespace nuvrel {

class PCX5 {
public:
    // The header values come from the selected datum. now is the time stamp
    // of waypoint and route records (seconds since 1970, written as UTC).
    PCX5(const DatumInfo& datum, std::int64_t now) : datum_(datum), now_(now) {}

    // The file header: software line, format line, datum block, coordinate
    // system ("U  LAT LON DEG").
    void writeHeader(TextSink& out) const;

    // Track: one block per segment 1, 2, ... until a segment is missing;
    // times are shown as UTC minus timeOffset.
    void writeTrack(TextSink& out, std::span<const TrackPoint> points, std::int32_t timeOffset) const;
    void writeWaypoints(TextSink& out, std::span<const WaypointRecord> waypoints) const;
    // Every non-empty route, numbered by its index in the store.
    void writeRoutes(TextSink& out, std::span<const CRouteField::Route> routes) const;

    // Text cut to width bytes on a character boundary and padded with
    // blanks to width ("%-6.6s" that never splits a character).
    static std::string column(std::string_view text, std::size_t width);

private:
    DatumInfo datum_;
    std::int64_t now_;
};

} // namespace nuvrel

// KML for Google Earth and other globe viewers: the track as lines with
// absolute altitudes, one per segment, drawn with the track pen, and the
// waypoints as placemarks. Positions in WGS-84, texts in UTF-8. Export only.
#pragma once

#include "core/codepage.h"
#include "core/data/records.h"
#include "core/formats/text_sink.h"
#include "core/geo/map_datum.h"

#include <cstdint>
#include <span>
#include <string>

namespace nuvrel {

struct KmlStyle {
    std::int32_t penColor = 255; // the track pen: 0x00BBGGRR
    std::int32_t penWidth = 1;   // pixels
    CodePage codePage = CodePage::Utf8; // of the waypoint names and comments
};

class KmlWriter {
public:
    // Records are held in the map datum of that name and converted to
    // WGS-84 as uploads convert them.
    KmlWriter(const std::string& datumName, KmlStyle style) : datum_(datumName), style_(style) {}

    // One document; either span may be empty. A segment of a single point
    // is a placemark at that point (a line needs two).
    void write(TextSink& out, std::span<const TrackPoint> track, std::span<const WaypointRecord> waypoints) const;

    // "aabbggrr" of an opaque pen colour.
    static std::string colorText(std::int32_t penColor);

private:
    void coordinates(std::string& s, double lat, double lon, double alt) const;
    // Whether the WGS-84 height of a position is a real altitude.
    bool knownAltitude(double lat, double lon, double alt) const;

    MapDatum datum_;
    KmlStyle style_;
};

} // namespace nuvrel

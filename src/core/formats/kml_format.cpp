#include "core/formats/kml_format.h"

#include "core/formats/number_text.h"
#include "core/formats/xml_text.h"
#include "core/geo/position_rules.h"

#include <cstdio>

namespace nuvrel {

std::string KmlWriter::colorText(std::int32_t penColor) {
    char text[9];
    std::snprintf(text, sizeof text, "ff%06x", static_cast<unsigned>(penColor) & 0xffffffu);
    return text;
}

void KmlWriter::coordinates(std::string& s, double lat, double lon, double alt) const {
    double wLat = lat, wLon = lon, wAlt = alt;
    datum_.toWgs84(lat, lon, alt, wLat, wLon, wAlt);
    appendFixed(s, NormalLongitude(wLon), 7);
    s += ',';
    appendFixed(s, wLat, 7);
    s += ',';
    appendFixed(s, KnownAltitude(wAlt) ? wAlt : 0.0, 1);
}

bool KmlWriter::knownAltitude(double lat, double lon, double alt) const {
    double wLat = lat, wLon = lon, wAlt = alt;
    datum_.toWgs84(lat, lon, alt, wLat, wLon, wAlt);
    return KnownAltitude(wAlt);
}

void KmlWriter::write(TextSink& out, std::span<const TrackPoint> track,
                      std::span<const WaypointRecord> waypoints) const {
    out.put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
            "<Document>\n"
            "<name>Nuvrel</name>\n");
    std::string s = "<Style id=\"track\"><LineStyle><color>" + colorText(style_.penColor) + "</color><width>";
    appendInteger(s, style_.penWidth);
    s += "</width></LineStyle></Style>\n";
    out.put(s);
    if (!track.empty()) {
        out.put("<Folder><name>Track</name>\n");
        for (std::size_t first = 0; first < track.size();) {
            std::size_t end = first + 1;
            while (end < track.size() && track[end].segment == track[first].segment)
                ++end;
            // A segment with a point of unknown altitude lies on the ground.
            bool known = true;
            for (std::size_t i = first; i < end && known; ++i)
                known = knownAltitude(track[i].latitude, track[i].longitude, track[i].altitude);
            const std::string mode = known ? "<altitudeMode>absolute</altitudeMode>"
                                           : "<altitudeMode>clampToGround</altitudeMode>";
            s = "<Placemark><name>Segment ";
            appendInteger(s, track[first].segment);
            s += end - first > 1 ? "</name><styleUrl>#track</styleUrl><LineString>" + mode + "<coordinates>\n"
                                 : "</name><Point>" + mode + "<coordinates>";
            out.put(s);
            for (std::size_t i = first; i < end; ++i) {
                s.clear();
                coordinates(s, track[i].latitude, track[i].longitude, track[i].altitude);
                s += end - first > 1 ? "\n" : "";
                out.put(s);
            }
            out.put(end - first > 1 ? "</coordinates></LineString></Placemark>\n"
                                    : "</coordinates></Point></Placemark>\n");
            first = end;
        }
        out.put("</Folder>\n");
    }
    if (!waypoints.empty()) {
        out.put("<Folder><name>Waypoints</name>\n");
        for (const WaypointRecord& w : waypoints) {
            s = "<Placemark><name>";
            appendXmlText(s, fieldText(w.ident, sizeof w.ident), style_.codePage);
            s += "</name>";
            const std::string comment = fieldText(w.comment, sizeof w.comment);
            if (!comment.empty()) {
                s += "<description>";
                appendXmlText(s, comment, style_.codePage);
                s += "</description>";
            }
            s += knownAltitude(w.latitude, w.longitude, w.altitude)
                     ? "<Point><altitudeMode>absolute</altitudeMode><coordinates>"
                     : "<Point><altitudeMode>clampToGround</altitudeMode><coordinates>";
            coordinates(s, w.latitude, w.longitude, w.altitude);
            s += "</coordinates></Point></Placemark>\n";
            out.put(s);
        }
        out.put("</Folder>\n");
    }
    out.put("</Document>\n</kml>\n");
}

} // namespace nuvrel

#include "core/formats/calendar.h"
#include "core/formats/gpx_format.h"
#include "core/formats/gpx_symbols.h"
#include "core/formats/number_text.h"
#include "core/formats/xml_text.h"
#include "core/geo/map_datum.h"
#include "core/geo/position_rules.h"

#include <charconv>
#include <cmath>

namespace nuvrel {

namespace {

void appendElement(std::string& out, const char* indent, const char* tag, std::string_view text, CodePage page) {
    out += indent;
    out += '<';
    out += tag;
    out += '>';
    appendXmlText(out, text, page);
    out += "</";
    out += tag;
    out += ">\n";
}

// Metres as the shortest decimal text (never an exponent, which the GPX
// schema refuses) that reads back as the same float.
void appendMetres(std::string& out, double metres) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(metres), std::chars_format::fixed);
    out.append(buf, r.ptr);
}

class Writer {
public:
    Writer(TextSink& out, const GpxSettings& settings)
        : out_(out), settings_(settings), datum_(settings.datumName),
          symbols_(settings.productId, settings.softwareVersion) {}

    // "<tag lat=.. lon=..>" and the "ele" line of a position in the map datum.
    void openPoint(const char* indent, const char* tag, double latitude, double longitude, double altitude) {
        double lat, lon, height;
        datum_.toWgs84(latitude, longitude, altitude, lat, lon, height);
        lon = NormalLongitude(lon);
        line_ += indent;
        line_ += '<';
        line_ += tag;
        line_ += " lat=\"";
        appendFixed(line_, lat, 9);
        line_ += "\" lon=\"";
        appendFixed(line_, lon, 9);
        line_ += "\">\n";
        if (KnownAltitude(height)) {
            line_ += indent;
            line_ += "  <ele>";
            appendMetres(line_, height);
            line_ += "</ele>\n";
        }
    }

    // A waypoint or route point: position, name, comment, symbol.
    void namedPoint(const char* indent, const char* tag, double latitude, double longitude, double altitude,
                    const char* ident, const char* comment, int symbol) {
        openPoint(indent, tag, latitude, longitude, altitude);
        const std::string inner = std::string(indent) + "  ";
        // Downloaded names are padded with blanks to the receiver's length;
        // other programs would show the padding.
        std::string name = fieldText(ident, kIdentSize);
        name.erase(name.find_last_not_of(' ') + 1);
        appendElement(line_, inner.c_str(), "name", name, settings_.codePage);
        const std::string cmt = fieldText(comment, kCommentSize);
        if (!cmt.empty())
            appendElement(line_, inner.c_str(), "cmt", cmt, settings_.codePage);
        const std::string sym = symbols_.name(symbol);
        if (!sym.empty())
            appendElement(line_, inner.c_str(), "sym", sym, settings_.codePage);
        closeTag(indent, tag);
    }

    void closeTag(const char* indent, const char* tag) {
        line_ += indent;
        line_ += "</";
        line_ += tag;
        line_ += ">\n";
        flush();
    }

    void put(std::string_view text) {
        line_ += text;
        flush();
    }

    void track(std::span<const TrackPoint> points) {
        put("  <trk>\n");
        for (std::size_t i = 0; i < points.size(); ++i) {
            const TrackPoint& p = points[i];
            if (i == 0 || p.segment != points[i - 1].segment) {
                if (i > 0)
                    line_ += "    </trkseg>\n";
                line_ += "    <trkseg>\n";
            }
            openPoint("      ", "trkpt", p.latitude, p.longitude, p.altitude);
            if (p.time != 0) {
                line_ += "        <time>";
                line_ += gpxTimeText(p.time);
                line_ += "</time>\n";
            }
            closeTag("      ", "trkpt");
        }
        if (!points.empty())
            line_ += "    </trkseg>\n";
        put("  </trk>\n");
    }

    void waypoints(std::span<const WaypointRecord> waypoints) {
        for (const WaypointRecord& w : waypoints)
            namedPoint("  ", "wpt", w.latitude, w.longitude, w.altitude, w.ident, w.comment, w.symbol);
    }

    void routes(std::span<const CRouteField::Route> routes) {
        for (const CRouteField::Route& r : routes) {
            if (r.entries.empty())
                continue;
            line_ += "  <rte>\n";
            appendElement(line_, "    ", "name", r.name, settings_.codePage);
            for (const RouteEntry& e : r.entries)
                namedPoint("    ", "rtept", e.latitude, e.longitude, e.altitude, e.ident, e.comment, e.symbol);
            put("  </rte>\n");
        }
    }

    void finish() {
        out_.put(line_);
        line_.clear();
    }

private:
    void flush() {
        if (line_.size() >= 4096)
            finish();
    }

    TextSink& out_;
    const GpxSettings& settings_;
    MapDatum datum_;
    GpxSymbols symbols_;
    std::string line_;
};

} // namespace

std::string gpxTimeText(std::uint32_t receiverTime) {
    const CalendarTime t = utcFields(static_cast<std::int64_t>(receiverTime) + kReceiverEpochOffset);
    std::string s;
    s.reserve(20);
    appendInteger(s, t.year, {4, false, true});
    s += '-';
    appendInteger(s, t.month, {2, false, true});
    s += '-';
    appendInteger(s, t.day, {2, false, true});
    s += 'T';
    appendInteger(s, t.hour, {2, false, true});
    s += ':';
    appendInteger(s, t.minute, {2, false, true});
    s += ':';
    appendInteger(s, t.second, {2, false, true});
    s += 'Z';
    return s;
}

void writeGpx(TextSink& out, const GpxSource& source, const GpxSettings& settings) {
    Writer w(out, settings);
    w.put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<gpx version=\"1.1\" creator=\"Nuvrel\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
          "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
          "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd\">\n");
    // The schema's order: waypoints, routes, tracks.
    w.waypoints(source.waypoints);
    w.routes(source.routes);
    if (!source.track.empty())
        w.track(source.track);
    w.put("</gpx>\n");
    w.finish();
}

} // namespace nuvrel

#include "core/formats/pcx5_format.h"

#include "core/codepage.h"
#include "core/c_number.h"
#include "core/formats/calendar.h"
#include "core/formats/number_text.h"

#include <algorithm>
#include <cmath>

namespace nuvrel {

namespace {

constexpr std::size_t kLineLimit = 1024;
constexpr const char* kWaypointHeader =
    "\r\nH  IDNT   LATITUDE    LONGITUDE    DATE      TIME     ALT   DESCRIPTION                              PROXIMITY     SYMBOL ;waypts\r\n";
constexpr const char* kRouteHeader =
    "\r\nH  IDNT   LATITUDE    LONGITUDE    DATE      TIME     ALT   DESCRIPTION                              PROXIMITY ;waypts\r\n";

// Metres rounded half away from zero.
int roundedAltitude(double metres) {
    if (!(metres == metres))
        return 0;
    return truncateToInt(metres < 0 ? metres - 0.5 : metres + 0.5);
}

// A record line ends with CR LF; one that does not fit 1023 bytes is
// written empty.
void putRecord(TextSink& out, const std::string& line) {
    if (line.size() < kLineLimit)
        out.put(line);
    out.put("\r\n");
}

// "%02d-%3.3s-%02d %02d:%02d:%02d" of a calendar time.
std::string dateTime(const CalendarTime& t) {
    std::string s;
    appendInteger(s, t.day, {2, false, true});
    s += '-';
    s += monthAbbreviation(t.month);
    s += '-';
    appendInteger(s, centuryYear(t.year), {2, false, true});
    s += ' ';
    appendInteger(s, t.hour, {2, false, true});
    s += ':';
    appendInteger(s, t.minute, {2, false, true});
    s += ':';
    appendInteger(s, t.second, {2, false, true});
    return s;
}

// The proximity column: always 0 ("%9.5e").
constexpr const char* kZeroProximity = "0.00000e+00";

// A record line; a line that does not fit 1023 bytes is written empty.
template <typename... Args>
void recordLine(TextSink& out, const char* pattern, Args... args) {
    out.format(kLineLimit, pattern, args...);
    out.put("\r\n");
}

// First and last index of segment s (first = -1 when no point carries it).
void segmentRange(std::span<const TrackPoint> points, int s, int& first, int& last) {
    first = last = -1;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (points[i].segment == s && first < 0)
            first = static_cast<int>(i);
        if (points[i].segment > s) {
            if (first >= 0)
                last = static_cast<int>(i) - 1;
            return;
        }
    }
    if (first >= 0)
        last = static_cast<int>(points.size()) - 1;
}

} // namespace

std::string PCX5::column(std::string_view text, std::size_t width) {
    std::string s(text.substr(0, fitLength(text, width)));
    s.resize(width, ' ');
    return s;
}

void PCX5::writeHeader(TextSink& out) const {
    out.put("H  SOFTWARE NAME & VERSION\r\n"
            "I  PCX5 2.09\r\n"
            "\r\n"
            "H  R DATUM                IDX DA            DF            DX            DY            DZ\r\n");
    recordLine(out, "M  G %s %3d %+10.6e %+10.6e %+10.6e %+10.6e %+10.6e", column(datum_.name, 20).c_str(),
               datum_.index, datum_.da, datum_.df, datum_.dx, datum_.dy, datum_.dz);
    out.put("\r\n"
            "H  COORDINATE SYSTEM\r\n"
            "U  LAT LON DEG\r\n");
}

void PCX5::writeTrack(TextSink& out, std::span<const TrackPoint> points, std::int32_t timeOffset) const {
    writeHeader(out);
    // The log's segment count is unsigned (a last point of segment -1 counts
    // 4294967295); no point carries a number above the 16-bit range.
    const std::uint32_t count = points.empty() ? 0 : static_cast<std::uint32_t>(points.back().segment);
    const int segmentCount = static_cast<int>(std::min<std::uint32_t>(count, 32767));
    bool ascending = true;
    for (std::size_t i = 1; i < points.size() && ascending; ++i)
        ascending = points[i].segment >= points[i - 1].segment;
    std::size_t from = 0; // in an ascending log, segment s starts at or after from
    for (int s = 1; s <= segmentCount; ++s) {
        int first = -1;
        int last = -1;
        segmentRange(ascending ? points.subspan(from) : points, s, first, last);
        if (first < 0)
            break;
        if (ascending) {
            first += static_cast<int>(from);
            last += static_cast<int>(from);
            from = static_cast<std::size_t>(last) + 1;
        }
        out.put("\r\nH  LATITUDE    LONGITUDE    DATE      TIME     ALT    ;track\r\n");
        std::string line;
        for (int i = first; i <= last; ++i) {
            const TrackPoint& p = points[static_cast<std::size_t>(i)];
            // "T  %+10.7f %+11.7f %02d-%3.3s-%02d %02d:%02d:%02d %05d"
            line.assign("T  ");
            appendFixed(line, p.latitude, 7, {10, true});
            line += ' ';
            appendFixed(line, p.longitude, 7, {11, true});
            line += ' ';
            line += dateTime(utcFields(std::int64_t{p.time} + kReceiverEpochOffset - timeOffset));
            line += ' ';
            appendInteger(line, roundedAltitude(p.altitude), {5, false, true});
            putRecord(out, line);
        }
    }
}

void PCX5::writeWaypoints(TextSink& out, std::span<const WaypointRecord> waypoints) const {
    writeHeader(out);
    out.put(kWaypointHeader);
    const std::string stamp = dateTime(utcFields(now_));
    std::string line;
    for (const WaypointRecord& w : waypoints) {
        // "W  %-6.6s %+010.7f %+011.7f <date time> %05d %-40.40s %9.5e %6d"
        line.assign("W  ");
        line += column(fieldText(w.ident, sizeof w.ident), 6);
        line += ' ';
        appendFixed(line, w.latitude, 7, {10, true, true});
        line += ' ';
        appendFixed(line, w.longitude, 7, {11, true, true});
        line += ' ';
        line += stamp;
        line += ' ';
        appendInteger(line, roundedAltitude(w.altitude), {5, false, true});
        line += ' ';
        line += column(fieldText(w.comment, sizeof w.comment), 40);
        line += ' ';
        line += kZeroProximity;
        line += ' ';
        appendInteger(line, w.symbol, {6});
        putRecord(out, line);
    }
}

void PCX5::writeRoutes(TextSink& out, std::span<const CRouteField::Route> routes) const {
    writeHeader(out);
    const std::string stamp = dateTime(utcFields(now_));
    std::string line;
    for (std::size_t r = 0; r < routes.size(); ++r) {
        const CRouteField::Route& route = routes[r];
        if (route.entries.empty())
            continue;
        out.put("\r\n");
        if (r < 100)
            recordLine(out, "R  %02d  %s", static_cast<int>(r), column(route.name, 20).c_str());
        else
            out.put("\r\n");
        out.put(kRouteHeader);
        for (const RouteEntry& e : route.entries) {
            // "W  %-6.6s %+10.7f %+11.7f <date time> %05d %-40.40s %9.5e"
            line.assign("W  ");
            line += column(fieldText(e.ident, sizeof e.ident), 6);
            line += ' ';
            appendFixed(line, e.latitude, 7, {10, true});
            line += ' ';
            appendFixed(line, e.longitude, 7, {11, true});
            line += ' ';
            line += stamp;
            line += ' ';
            appendInteger(line, roundedAltitude(e.altitude), {5, false, true});
            line += ' ';
            line += column(fieldText(e.comment, sizeof e.comment), 40);
            line += ' ';
            line += kZeroProximity;
            putRecord(out, line);
        }
    }
}

} // namespace nuvrel

#include "core/formats/igc_format.h"
#include "core/geo/position_rules.h"

#include "core/data/ift_garmin_track.h"
#include "core/formats/calendar.h"
#include "core/formats/number_text.h"

#include <algorithm>
#include <cmath>

namespace nuvrel {

namespace {

// The longest gap a reader can date from the time of day alone: it takes a
// time up to an hour before the last one as the same day.
constexpr std::int64_t kLongestGap = 23 * 3600;

constexpr NumberField digits(int width) { return {width, false, true}; }

// Degrees as whole degrees of width digits, then minutes times 1000 in five
// digits, then the hemisphere letter.
void appendAngle(std::string& out, double degrees, int width, char positive, char negative) {
    const auto thousandths = static_cast<std::int64_t>(std::llround(std::fabs(degrees) * 60000.0));
    appendInteger(out, thousandths / 60000, digits(width));
    appendInteger(out, thousandths % 60000, digits(5));
    out += degrees < 0 ? negative : positive;
}

// Header text on one line: control characters become blanks.
std::string headerText(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    return s;
}

bool hasPosition(const TrackPoint& p) {
    return std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::fabs(p.latitude) <= 90 &&
           std::fabs(p.longitude) <= 180;
}

void headerLine(TextSink& out, std::string_view record, std::string_view value) {
    out.put(record);
    out.put(headerText(value));
    out.put("\r\n");
}

} // namespace

std::string IgcWriter::fixRecord(std::int64_t unixTime, double latitude, double longitude, double altitude) {
    std::string s;
    s.reserve(36);
    s += 'B';
    const std::int64_t secondOfDay = unixTime - (unixTime >= 0 ? unixTime / 86400 : (unixTime - 86399) / 86400) * 86400;
    appendInteger(s, secondOfDay / 3600, digits(2));
    appendInteger(s, secondOfDay / 60 % 60, digits(2));
    appendInteger(s, secondOfDay % 60, digits(2));
    appendAngle(s, latitude, 2, 'N', 'S');
    appendAngle(s, longitude, 3, 'E', 'W');
    // A fix without a GNSS altitude is a 2D fix: validity V, altitude zero.
    const bool known = KnownAltitude(altitude);
    s += known ? "A00000" : "V00000";
    const double metres = known ? std::clamp(std::round(altitude), -9999.0, 99999.0) : 0.0;
    const auto whole = static_cast<std::int64_t>(metres);
    if (whole < 0) {
        s += '-';
        appendInteger(s, -whole, digits(4));
    } else {
        appendInteger(s, whole, digits(5));
    }
    return s;
}

void IgcWriter::writeHeader(TextSink& out, const IgcHeader& header, std::int64_t firstFix) {
    const CalendarTime date = utcFields(firstFix);
    std::string dte = "HFDTE";
    appendInteger(dte, date.day, digits(2));
    appendInteger(dte, date.month, digits(2));
    appendInteger(dte, date.year % 100, digits(2));
    out.put("AXNVNUVREL\r\n");
    out.put(dte);
    out.put("\r\n");
    headerLine(out, "HFPLTPILOTINCHARGE:", header.pilot);
    headerLine(out, "HFGTYGLIDERTYPE:", header.gliderType);
    headerLine(out, "HFGIDGLIDERID:", header.gliderId);
    out.put("HFDTM100GPSDATUM:WGS-1984\r\n");
    headerLine(out, "HFFTYFRTYPE:Nuvrel,", header.receiverModel);
    headerLine(out, "HFGPSRECEIVER:", header.receiverModel);
}

IgcWritten IgcWriter::writeFixes(TextSink& out, std::span<const TrackPoint> points) const {
    const bool convert = datum_.da() != 0 || datum_.df() != 0 || datum_.dx() != 0 || datum_.dy() != 0 || datum_.dz() != 0;
    IgcWritten result;
    bool any = false;
    std::int64_t last = 0;
    for (const TrackPoint& p : points) {
        const std::int64_t t = std::int64_t(p.time) + kReceiverEpochOffset;
        if (!hasPosition(p) || (any && (t <= last || t - last >= kLongestGap))) {
            ++result.leftOut;
            continue;
        }
        double lat = p.latitude, lon = p.longitude, alt = p.altitude;
        if (convert)
            datum_.toWgs84(p.latitude, p.longitude, p.altitude, lat, lon, alt);
        lat = std::clamp(lat, -90.0, 90.0);
        lon = NormalLongitude(lon);
        out.put(fixRecord(t, lat, lon, alt));
        out.put("\r\n");
        any = true;
        last = t;
        ++result.fixes;
    }
    return result;
}

IgcWritten IgcWriter::write(TextSink& out, std::span<const TrackPoint> points, const IgcHeader& header) const {
    const auto first = std::find_if(points.begin(), points.end(), hasPosition);
    writeHeader(out, header, first == points.end() ? 0 : std::int64_t(first->time) + kReceiverEpochOffset);
    return writeFixes(out, points);
}

namespace {

// Take-off to landing, with the ground of up to kIgcGroundMargin seconds
// before and after.
PointRange withGroundMargin(const IFTGarminTrack& track, std::size_t takeOffIndex, std::size_t landingIndex) {
    const std::size_t n = track.count();
    const std::int64_t takeOff = track.unixTime(takeOffIndex);
    const std::int64_t landing = track.unixTime(landingIndex);
    PointRange r{takeOffIndex, landingIndex + 1};
    while (r.first > 0 && track.unixTime(r.first - 1) <= takeOff &&
           track.unixTime(r.first - 1) >= takeOff - kIgcGroundMargin)
        --r.first;
    while (r.end < n && track.unixTime(r.end) >= landing && track.unixTime(r.end) <= landing + kIgcGroundMargin)
        ++r.end;
    return r;
}

} // namespace

PointRange igcPointRange(const IFTGarminTrack& track, IgcSpan span, int number,
                         const std::optional<IgcFlight>& flight) {
    const std::size_t n = track.count();
    if (n == 0)
        return {};
    switch (span) {
    case IgcSpan::Whole:
        return {0, n};
    case IgcSpan::Segment: {
        int first = -1, last = -1;
        track.segmentRange(number, first, last);
        if (first < 0)
            return {};
        return {std::size_t(first), std::size_t(last) + 1};
    }
    case IgcSpan::NumberedFlight:
    case IgcSpan::Flight:
        if (flight && flight->takeoff <= flight->landing && flight->landing < n)
            return withGroundMargin(track, flight->takeoff, flight->landing);
        return span == IgcSpan::Flight ? PointRange{0, n} : PointRange{};
    }
    return {};
}

} // namespace nuvrel

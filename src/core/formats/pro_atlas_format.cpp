#include "core/formats/pro_atlas_format.h"

#include "core/codepage.h"
#include "core/c_number.h"
#include "core/formats/calendar.h"
#include "core/formats/field_splitter.h"
#include "core/geo/angle_text.h"

#include <ctime>

namespace nuvrel {

namespace {

constexpr std::size_t kLineLimit = 1024;

std::string hemisphere(double degrees, AngleAxis axis) {
    char buf[16];
    formatHemisphere(roundMicro(degrees), axis, buf, sizeof buf);
    return buf;
}

std::string proAtlas(double degrees) {
    char buf[16];
    formatProAtlas(roundMicro(degrees), buf, sizeof buf);
    return buf;
}

std::string_view dropFirst(std::string_view s) { return s.empty() ? s : s.substr(1); }

} // namespace

void writeProAtlasTrack(TextSink& out, std::span<const TrackPoint> points) {
    tzset(); // the zone may have changed since start-up
    // Zones change their offset only at whole minutes: one local-time
    // conversion per minute of the log is enough.
    std::int64_t cachedMinute = INT64_MIN;
    std::int64_t localOffset = 0;
    for (const TrackPoint& p : points) {
        const std::int64_t unixTime = std::int64_t{p.time} + kReceiverEpochOffset;
        const std::int64_t minute = unixTime >= 0 ? unixTime / 60 : (unixTime - 59) / 60;
        if (minute != cachedMinute) {
            cachedMinute = minute;
            localOffset = utcSeconds(localFields(unixTime)) - unixTime;
        }
        const CalendarTime t = utcFields(unixTime + localOffset);
        out.format(kLineLimit, "%02d/%02d/%02d %02d:%02d:%02d %s %s\r\n", t.year % 100, t.month, t.day, t.hour,
                   t.minute, t.second, hemisphere(p.latitude, AngleAxis::Latitude).c_str(),
                   hemisphere(p.longitude, AngleAxis::Longitude).c_str());
    }
}

void writeProAtlasWaypoints(TextSink& out, std::span<const WaypointRecord> waypoints) {
    for (const WaypointRecord& w : waypoints) {
        const std::string lat = proAtlas(w.latitude);
        const std::string lon = proAtlas(w.longitude);
        out.format(kLineLimit, "\"%s\",\"%s\",\"%s\",1,0,\"%s\",\"%s\",\"%s\"\r\n",
                   fieldText(w.ident, sizeof w.ident).c_str(), lat.c_str(), lon.c_str(), lat.c_str(), lon.c_str(),
                   fieldText(w.comment, sizeof w.comment).c_str());
    }
}

bool ProAtlasTrackReader::line(std::string_view text) {
    FieldSplitter fields(text, ",\t ");
    std::string_view date, time, lat, lon;
    if (!fields.next(date) || !fields.next(time) || !fields.next(lat) || !fields.next(lon))
        return false;
    CalendarTime t;
    t.year = fullYear(parseDigits(date, 0, 2));
    t.month = parseDigits(date, 3, 2);
    t.day = parseDigits(date, 6, 2);
    t.hour = parseDigits(time, 0, 2);
    t.minute = parseDigits(time, 3, 2);
    t.second = parseDigits(time, 6, 2);
    const std::int64_t seconds = localSeconds(t);
    if (seconds < kEarliestTrackTime) {
        ++tooEarly_;
        return true;
    }
    TrackPoint p{};
    p.latitude = parseAngle(lat);
    p.longitude = parseAngle(lon);
    valid_ += isAngleText(lat) && isAngleText(lon);
    p.segment = 1;
    p.time = static_cast<std::uint32_t>(seconds - kReceiverEpochOffset);
    points_.push_back(p);
    return true;
}

bool ProAtlasWaypointReader::line(std::string_view text) {
    WaypointRecord w{};
    w.display = display_;
    FieldSplitter fields(text, ",\t");
    std::string_view f;
    bool latitudeValid = false;
    for (int i = 1; i <= 8 && fields.next(f); ++i) {
        switch (i) {
        case 1: // the quotes: first and last character
            copyToField(w.ident, sizeof w.ident, f.size() >= 2 ? f.substr(1, f.size() - 2) : std::string_view());
            break;
        case 2:
            w.latitude = parseAngle(dropFirst(f));
            latitudeValid = isAngleText(dropFirst(f));
            break;
        case 3:
            w.longitude = parseAngle(dropFirst(f));
            valid_ += latitudeValid && isAngleText(dropFirst(f));
            break;
        case 8: {
            // The opening quote, and the closing quote when there is one.
            std::string_view c = dropFirst(f);
            if (!c.empty() && c.back() == '"')
                c.remove_suffix(1);
            copyToField(w.comment, sizeof w.comment, c);
            break;
        }
        default:
            break;
        }
    }
    waypoints_.push_back(w);
    return true;
}

} // namespace nuvrel

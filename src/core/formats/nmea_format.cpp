#include "core/formats/nmea_format.h"

#include "core/c_number.h"
#include "core/formats/calendar.h"
#include "core/formats/field_splitter.h"

#include <cmath>

namespace nuvrel {

namespace {

// ddmm.mmmm (or dddmm.mmmm) to decimal degrees.
double degreesMinutes(std::string_view field) {
    const double v = parseDouble(field);
    const double d = std::trunc(v / 100);
    return d + (v - 100 * d) / 60;
}

} // namespace

int NMEA0183::parse(std::string_view line) {
    if (isSentence(line, "RMC"))
        return parseRmc(line);
    if (isSentence(line, "GGA"))
        return parseGga(line);
    return kOther;
}

int NMEA0183::parseRmc(std::string_view line) {
    latitude = kUnset;
    longitude = kUnset;
    // Fields: 0 "$GPRMC", 1 time, 2 status, 3-4 latitude, 5-6 longitude,
    // 7 speed, 8 course, 9 date. Read one after the other (no array of
    // fields to clear for every sentence).
    FieldSplitter fields(line, ",");
    std::string_view talker, hms, status;
    if (!fields.next(talker) || !fields.next(hms) || !fields.next(status))
        return kOther;
    if (status != "A") {
        time = 0;
        latitude = 0;
        longitude = 0;
        valid = 0;
        return kRmc;
    }
    std::string_view latText, north, lonText, east, speed, course, date;
    if (!fields.next(latText) || !fields.next(north) || !fields.next(lonText) || !fields.next(east) ||
        !fields.next(speed) || !fields.next(course) || !fields.next(date))
        return kOther;
    double lat = degreesMinutes(latText);
    if (north == "S")
        lat = -lat;
    double lon = degreesMinutes(lonText);
    if (east == "W")
        lon = -lon;
    CalendarTime t;
    t.hour = parseDigits(hms, 0, 2);
    t.minute = parseDigits(hms, 2, 2);
    t.second = parseDigits(hms, 4, 2);
    t.day = parseDigits(date, 0, 2);
    t.month = parseDigits(date, 2, 2);
    t.year = fullYear(parseDigits(date, 4, 2));
    // The sentence carries UTC; the time stays UTC whatever the zone.
    time = utcSeconds(t);
    latitude = lat;
    longitude = lon;
    valid = 1;
    return kRmc;
}

int NMEA0183::parseGga(std::string_view line) {
    altitude = kUnset;
    // The altitude is field 9; the ones before need not be handed out. The
    // sentence ends early when no text follows the ninth comma.
    const std::size_t start = skipFields(line, ',', 9);
    if (start >= line.size())
        return kOther;
    std::string_view f = line.substr(start);
    f = f.substr(0, std::min(f.find(','), f.size()));
    altitude = parseDouble(f);
    return kGga;
}

bool NmeaTrackReader::line(std::string_view text) {
    switch (sentence_.parse(text)) {
    case NMEA0183::kRmc:
        sawRmc_ = true;
        lastFixAdded_ = sentence_.valid == 1;
        if (lastFixAdded_) {
            TrackPoint p{};
            p.latitude = sentence_.latitude;
            p.longitude = sentence_.longitude;
            p.segment = 1;
            p.time = static_cast<std::uint32_t>(sentence_.time - kReceiverEpochOffset);
            points_.push_back(p);
        }
        break;
    case NMEA0183::kGga:
        if (lastFixAdded_ && !points_.empty())
            points_.back().altitude = toFloat(sentence_.altitude);
        break;
    default:
        // An RMC that ends early is no fix either.
        if (NMEA0183::isSentence(text, "RMC")) {
            sawRmc_ = true;
            lastFixAdded_ = false;
        }
        break;
    }
    return true;
}

} // namespace nuvrel

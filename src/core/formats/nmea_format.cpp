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
    FieldSplitter fields(line, ",");
    std::string_view f[10];
    int n = 0;
    while (n < 10 && fields.next(f[n]))
        ++n;
    if (n < 3)
        return kOther;
    if (f[2] != "A") {
        time = 0;
        latitude = 0;
        longitude = 0;
        valid = 0;
        return kRmc;
    }
    if (n < 10)
        return kOther;
    double lat = degreesMinutes(f[3]);
    if (f[4] == "S")
        lat = -lat;
    double lon = degreesMinutes(f[5]);
    if (f[6] == "W")
        lon = -lon;
    CalendarTime t;
    t.hour = parseDigits(f[1], 0, 2);
    t.minute = parseDigits(f[1], 2, 2);
    t.second = parseDigits(f[1], 4, 2);
    t.day = parseDigits(f[9], 0, 2);
    t.month = parseDigits(f[9], 2, 2);
    t.year = fullYear(parseDigits(f[9], 4, 2));
    // The sentence carries UTC; the time stays UTC whatever the zone.
    time = utcSeconds(t);
    latitude = lat;
    longitude = lon;
    valid = 1;
    return kRmc;
}

int NMEA0183::parseGga(std::string_view line) {
    altitude = kUnset;
    FieldSplitter fields(line, ",");
    std::string_view f;
    for (int i = 0; i <= 9; ++i)
        if (!fields.next(f))
            return kOther;
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

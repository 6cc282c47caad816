#include "core/formats/nmea_format.h"

#include "core/c_number.h"
#include "core/formats/calendar.h"
#include "core/formats/field_splitter.h"

#include <cmath>

namespace nuvrel {

// ddmm.mmmm (or dddmm.mmmm) to decimal degrees: with v the field's number
// and d = trunc(v / 100), d + (v - 100 d) / 60.
double NMEA0183::degreesMinutes(std::string_view field) {
    const char* const end = field.data() + field.size();
    DecimalRun run;
    if (scanDecimal(field.data(), end, run) == end && run.wholeDigits > 0 && run.exact() && run.whole < (1u << 20) &&
        run.places <= 9) {
        // The usual field: d is the whole part but its last two digits, found
        // without a division of doubles. (v lies at least 10^-9 below the
        // next multiple of 100, far more than the rounding of v or of v / 100
        // can bridge at these sizes; the test holds it to the formula.)
        const double v = run.value();
        const double d = static_cast<double>(run.whole / 100);
        return d + (v - 100 * d) / 60;
    }
    const double v = parseDouble(field);
    const double d = std::trunc(v / 100);
    return d + (v - 100 * d) / 60;
}

namespace {

// The two-digit part at pos of a time or date field (hhmmss, ddmmyy).
int twoDigits(std::string_view field, std::size_t pos) {
    if (field.size() >= pos + 2) {
        const unsigned hi = digitValue(field[pos]);
        const unsigned lo = digitValue(field[pos + 1]);
        if (hi < 10 && lo < 10)
            return static_cast<int>(hi * 10 + lo);
    }
    return parseDigits(field, pos, 2);
}

} // namespace

int NMEA0183::parse(std::string_view line) {
    switch (typeOf(line)) {
    case kRmc:
        return parseRmc(line);
    case kGga:
        return parseGga(line);
    default:
        return kOther;
    }
}

int NMEA0183::parseRmc(std::string_view line) {
    latitude = kUnset;
    longitude = kUnset;
    // Fields: 0 "$GPRMC", 1 time, 2 status, 3-4 latitude, 5-6 longitude,
    // 7 speed, 8 course, 9 date. A field is there when text follows the
    // comma before it (the last field before the end of the line counts).
    std::uint32_t comma[10];
    const std::size_t commas = findDelimiters(line, ',', comma, 10);
    auto present = [&](std::size_t k) { return k <= commas && comma[k - 1] + 1 < line.size(); };
    auto field = [&](std::size_t k) {
        const std::size_t start = comma[k - 1] + 1;
        return line.substr(start, (k < commas ? comma[k] : line.size()) - start);
    };
    if (line.empty() || !present(1) || !present(2))
        return kOther;
    if (field(2) != "A") {
        time = 0;
        latitude = 0;
        longitude = 0;
        valid = 0;
        return kRmc;
    }
    if (!present(9))
        return kOther;
    double lat = degreesMinutes(field(3));
    if (field(4) == "S")
        lat = -lat;
    double lon = degreesMinutes(field(5));
    if (field(6) == "W")
        lon = -lon;
    const std::string_view hms = field(1);
    const std::string_view date = field(9);
    CalendarTime t;
    t.hour = twoDigits(hms, 0);
    t.minute = twoDigits(hms, 2);
    t.second = twoDigits(hms, 4);
    t.day = twoDigits(date, 0);
    t.month = twoDigits(date, 2);
    t.year = fullYear(twoDigits(date, 4));
    // The sentence carries UTC; the time stays UTC whatever the zone. The
    // date changes seldom in a log: its start is kept.
    if (t.year != day_.year || t.month != day_.month || t.day != day_.day) {
        CalendarTime midnight = t;
        midnight.hour = midnight.minute = midnight.second = 0;
        day_ = {t.year, t.month, t.day, utcSeconds(midnight)};
    }
    time = day_.start + std::int64_t{t.hour} * 3600 + std::int64_t{t.minute} * 60 + t.second;
    latitude = lat;
    longitude = lon;
    valid = 1;
    return kRmc;
}

int NMEA0183::parseGga(std::string_view line) {
    altitude = kUnset;
    // The altitude is field 9, there when text follows the ninth comma.
    std::uint32_t comma[10];
    const std::size_t commas = findDelimiters(line, ',', comma, 10);
    if (commas < 9 || comma[8] + 1 >= line.size())
        return kOther;
    const std::size_t start = comma[8] + 1;
    const std::string_view f = line.substr(start, (commas > 9 ? comma[9] : line.size()) - start);
    if (!parsePlainDecimal(f, altitude))
        altitude = parseDouble(f);
    return kGga;
}

bool NmeaTrackReader::line(std::string_view text) {
    const int type = NMEA0183::typeOf(text);
    if (type == NMEA0183::kOther)
        return true;
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
        if (type == NMEA0183::kRmc) {
            sawRmc_ = true;
            lastFixAdded_ = false;
        }
        break;
    }
    return true;
}

} // namespace nuvrel

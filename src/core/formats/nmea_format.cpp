#include "core/formats/nmea_format.h"
#include "core/geo/position_rules.h"

#include "core/c_number.h"
#include "core/formats/calendar.h"
#include "core/formats/field_splitter.h"

#include <algorithm>
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

// hhmmss with an optional fraction, a time of day.
bool validTime(std::string_view f) {
    if (f.size() < 6)
        return false;
    for (std::size_t i = 0; i < f.size(); ++i)
        if (!(digitValue(f[i]) < 10 || (i == 6 && f[i] == '.')))
            return false;
    return twoDigits(f, 0) < 24 && twoDigits(f, 2) < 60 && twoDigits(f, 4) <= 60;
}

// ddmmyy, a day of the calendar.
bool validDate(std::string_view f) {
    if (f.size() != 6)
        return false;
    for (char c : f)
        if (digitValue(c) >= 10)
            return false;
    const int day = twoDigits(f, 0), month = twoDigits(f, 2), year = fullYear(twoDigits(f, 4));
    if (month < 1 || month > 12 || day < 1)
        return false;
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap);
}

// ddmm.mmmm (dddmm.mmmm): digits and a point, whole minutes below 60, the
// degrees up to maxDegrees.
bool validAngle(std::string_view f, double maxDegrees) {
    const char* const end = f.data() + f.size();
    DecimalRun run;
    if (f.empty() || scanDecimal(f.data(), end, run) != end || run.wholeDigits < 3)
        return false;
    const double v = parseDouble(f);
    const double d = std::trunc(v / 100);
    return v - 100 * d < 60 && d + (v - 100 * d) / 60 <= maxDegrees;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The sentence without its "*hh" suffix.
std::string_view withoutChecksum(std::string_view line) { return line.substr(0, line.find('*')); }

} // namespace

bool NMEA0183::checksumMatches(std::string_view sentence) {
    const std::size_t star = sentence.find('*');
    if (star == std::string_view::npos)
        return true; // a log written without checksums
    std::string_view tail = sentence.substr(star + 1);
    while (!tail.empty() && (tail.back() == '\r' || tail.back() == '\n' || tail.back() == ' '))
        tail.remove_suffix(1);
    if (tail.size() != 2 || hexDigit(tail[0]) < 0 || hexDigit(tail[1]) < 0)
        return false;
    unsigned sum = 0;
    for (std::size_t i = sentence.front() == '$' ? 1 : 0; i < star; ++i)
        sum ^= static_cast<unsigned char>(sentence[i]);
    return sum == unsigned(hexDigit(tail[0]) * 16 + hexDigit(tail[1]));
}

int NMEA0183::parse(std::string_view line) {
    switch (typeOf(line)) {
    case kRmc:
        return parseRmc(withoutChecksum(line));
    case kGga:
        return parseGga(withoutChecksum(line));
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
    if (!validTime(field(1)) || !validDate(field(9)) || !validAngle(field(3), 90) || !validAngle(field(5), 180) ||
        (field(4) != "N" && field(4) != "S") || (field(6) != "E" && field(6) != "W"))
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
    fixTime = parseDouble(hms);
    latitude = lat;
    longitude = lon;
    valid = 1;
    return kRmc;
}

int NMEA0183::parseGga(std::string_view line) {
    altitude = kUnset;
    fixTime = kUnset;
    // The altitude is field 9, there when text follows the ninth comma.
    std::uint32_t comma[10];
    const std::size_t commas = findDelimiters(line, ',', comma, 10);
    if (commas < 9 || comma[8] + 1 >= line.size())
        return kOther;
    const std::size_t start = comma[8] + 1;
    const std::string_view f = line.substr(start, (commas > 9 ? comma[9] : line.size()) - start);
    if (!parsePlainDecimal(f, altitude))
        altitude = parseDouble(f);
    const std::string_view hms = line.substr(comma[0] + 1, comma[1] - comma[0] - 1);
    if (validTime(hms))
        fixTime = parseDouble(hms);
    // Fix quality 0 (field 6): no fix, so no altitude.
    const std::string_view quality = line.substr(comma[5] + 1, comma[6] - comma[5] - 1);
    if (quality.empty() || quality == "0")
        altitude = kUnset;
    return kGga;
}

bool NmeaTrackReader::line(std::string_view text) {
    // Each "$" starts a sentence. One broken off by the next "$" (two lines
    // run together, a line cut short) counts only when its checksum shows it
    // whole.
    std::size_t start = text.find('$');
    while (start != std::string_view::npos) {
        const std::size_t next = text.find('$', start + 1);
        const std::string_view piece = text.substr(start, next == std::string_view::npos ? text.size() - start
                                                                                          : next - start);
        if (next == std::string_view::npos || piece.find('*') != std::string_view::npos)
            sentence(piece);
        else if (NMEA0183::typeOf(piece) != NMEA0183::kOther)
            ++skips_.cutShort;
        start = next;
    }
    return true;
}

namespace {

// The second of the day of an hhmmss(.ss) time read as a number.
double secondOfDay(double hhmmss) {
    const double h = std::floor(hhmmss / 10000);
    const double m = std::floor((hhmmss - h * 10000) / 100);
    return h * 3600 + m * 60 + (hhmmss - h * 10000 - m * 100);
}

constexpr double kGgaReach = 2.0;         // seconds between a fix and the GGA that gives its altitude
constexpr std::uint32_t kGgaLookAround = 16; // GGAs looked at on each side of a fix

} // namespace

void NmeaTrackReader::sentence(std::string_view text) {
    const int type = NMEA0183::typeOf(text);
    if (type == NMEA0183::kOther)
        return;
    if (type == NMEA0183::kRmc)
        sawRmc_ = true;
    if (!NMEA0183::checksumMatches(text)) {
        ++skips_.badChecksum;
        return;
    }
    const bool checksum = text.find('*') != std::string_view::npos;
    sawChecksum_ = sawChecksum_ || checksum;
    switch (sentence_.parse(text)) {
    case NMEA0183::kRmc: {
        if (sentence_.valid != 1) {
            ++skips_.voidFixes;
            break;
        }
        if (sentence_.time < kEarliestTrackTime) {
            ++skips_.tooEarly;
            break;
        }
        TrackPoint p{};
        p.latitude = sentence_.latitude;
        p.longitude = sentence_.longitude;
        p.segment = 1;
        p.time = static_cast<std::uint32_t>(sentence_.time - kReceiverEpochOffset);
        p.altitude = static_cast<float>(kUnknownAltitude);
        points_.push_back(p);
        fixes_.push_back({secondOfDay(sentence_.fixTime), static_cast<std::uint32_t>(ggas_.size()), checksum});
        break;
    }
    case NMEA0183::kGga:
        if (sentence_.altitude != NMEA0183::kUnset && sentence_.fixTime != NMEA0183::kUnset)
            ggas_.push_back({secondOfDay(sentence_.fixTime), sentence_.altitude, checksum});
        break;
    default:
        if (type == NMEA0183::kRmc)
            ++skips_.malformed;
        break;
    }
}

std::vector<TrackPoint> NmeaTrackReader::take() {
    std::vector<TrackPoint> kept;
    kept.reserve(points_.size());
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const Fix& f = fixes_[i];
        // A checksum lost in a log that has them: the sentence may be damaged.
        if (sawChecksum_ && !f.checksum) {
            ++skips_.noChecksum;
            continue;
        }
        TrackPoint p = points_[i];
        const std::uint32_t from = f.ggasBefore > kGgaLookAround ? f.ggasBefore - kGgaLookAround : 0;
        const std::uint32_t to = std::min<std::uint32_t>(f.ggasBefore + kGgaLookAround, std::uint32_t(ggas_.size()));
        double best = kGgaReach + 1;
        for (std::uint32_t g = from; g < to; ++g) {
            const Gga& gga = ggas_[g];
            if (sawChecksum_ && !gga.checksum)
                continue;
            double d = std::fabs(gga.second - f.second);
            d = std::min(d, 86400 - d); // across midnight
            if (d <= kGgaReach && d < best) {
                best = d;
                p.altitude = toFloat(gga.altitude);
            }
        }
        kept.push_back(p);
    }
    points_.clear();
    points_.shrink_to_fit();
    fixes_.clear();
    ggas_.clear();
    return kept;
}

std::vector<std::string> NmeaSkips::describe() const {
    std::vector<std::string> out;
    auto add = [&out](std::size_t n, const char* one, const char* many, const char* why) {
        if (n)
            out.push_back("skipped " + std::to_string(n) + " " + (n == 1 ? one : many) + " " + why);
    };
    add(badChecksum, "sentence", "sentences", "with a wrong checksum");
    add(cutShort, "sentence", "sentences", "broken off by the next one");
    add(malformed, "RMC sentence", "RMC sentences", "with an empty or malformed field");
    add(voidFixes, "RMC sentence", "RMC sentences", "without a valid fix (status V)");
    add(tooEarly, "fix", "fixes", "dated before 1990-01-01");
    add(noChecksum, "sentence", "sentences", "without a checksum in a log whose sentences have one");
    return out;
}

} // namespace nuvrel

#include "core/formats/plain_text_format.h"

#include "core/codepage.h"
#include "core/c_number.h"
#include "core/formats/field_splitter.h"
#include "core/formats/number_text.h"
#include "core/geo/angle_text.h"

#include <cinttypes>

namespace nuvrel {

namespace {

constexpr std::size_t kLineLimit = 1024;
constexpr const char* kDelimiters = ",\t";

// A coordinate as degrees-minutes-seconds text (at most 15 characters).
std::string dmsText(double degrees) {
    char buf[16];
    formatDMS(roundMicro(degrees), buf, sizeof buf);
    return buf;
}

std::int16_t toInt16(std::int64_t v) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(v)); }

} // namespace

double readCoordinate(std::string_view field) {
    // Plain decimal degrees (the usual case) read as parseAngle would, in one pass.
    std::size_t start = 0;
    while (start < field.size() && field[start] == ' ')
        ++start;
    double value;
    if (parsePlainDecimal(field.substr(start), value))
        return value;
    return parseAngle(field);
}

void writeTextTrack(TextSink& out, std::span<const TrackPoint> points, std::int32_t timeOffset, bool dms) {
    // "%10.6f,%10.6f,%7.2f,%ld,%ld" or "%s,%s,%7.2f,%ld,%ld" with the coordinates as text.
    std::string line;
    for (const TrackPoint& p : points) {
        line.clear();
        if (dms) {
            line += dmsText(p.latitude);
            line += ',';
            line += dmsText(p.longitude);
        } else {
            appendFixed(line, p.latitude, 6, {10});
            line += ',';
            appendFixed(line, p.longitude, 6, {10});
        }
        line += ',';
        appendFixed(line, p.altitude, 2, {7});
        line += ',';
        appendInteger(line, p.segment);
        line += ',';
        appendInteger(line, std::int64_t{p.time} + kReceiverEpochOffset - timeOffset);
        line += "\r\n";
        out.put(line);
    }
}

void writeTextWaypoints(TextSink& out, std::span<const WaypointRecord> waypoints, bool dms) {
    for (const WaypointRecord& w : waypoints) {
        const std::string ident = fieldText(w.ident, sizeof w.ident);
        const std::string comment = fieldText(w.comment, sizeof w.comment);
        if (dms)
            out.format(kLineLimit, "%s,%s,%s,%s,%d,%f,%d,%f\r\n", ident.c_str(), dmsText(w.latitude).c_str(),
                       dmsText(w.longitude).c_str(), comment.c_str(), w.symbol, static_cast<double>(w.proximity),
                       w.display, static_cast<double>(w.altitude));
        else
            out.format(kLineLimit, "%s,%10.6f,%10.6f,%s,%d,%f,%d,%f\r\n", ident.c_str(), w.latitude, w.longitude,
                       comment.c_str(), w.symbol, static_cast<double>(w.proximity), w.display,
                       static_cast<double>(w.altitude));
    }
}

namespace {

// The usual shape of a track line, as the export writes it: numbers of the
// form "  -ddd.ddd" separated by commas or tabs. UsualFields reads such a
// line in one pass, splitting and converting together, and says false as
// soon as the text takes any other shape; the line is then read the general
// way. Where it says true the values are those of the general reading.
class UsualFields {
public:
    explicit UsualFields(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    // True when no field is left (the text ended, or ended with a delimiter).
    bool done() const { return p_ == end_; }

    // A coordinate as readCoordinate reads plain decimal degrees.
    bool coordinate(double& value) {
        bool negative;
        DecimalRun run;
        if (!number(negative, run, true))
            return false;
        value = negative ? -run.value() : run.value();
        return true;
    }
    // A decimal number as parseDouble reads it.
    bool decimal(double& value) { return coordinate(value); }
    // A whole number as parseLong reads it (at most 18 digits: no overflow).
    bool integer(std::int64_t& value) {
        bool negative;
        DecimalRun run;
        if (!number(negative, run, false) || run.digits() > 18)
            return false;
        const auto v = static_cast<std::int64_t>(run.mantissa);
        value = negative ? -v : v;
        return true;
    }

private:
    // Spaces, an optional minus, at least one digit and (with point) an
    // optional point and digits, then a delimiter or the end of the text.
    bool number(bool& negative, DecimalRun& run, bool point) {
        const char* p = p_;
        while (p != end_ && *p == ' ')
            ++p;
        negative = p != end_ && *p == '-';
        p = scanDecimal(p + negative, end_, run, point);
        if (run.wholeDigits == 0 || !run.exact())
            return false;
        if (p != end_) {
            if (*p != ',' && *p != '\t')
                return false;
            ++p;
        }
        p_ = p;
        return true;
    }

    const char* p_;
    const char* const end_;
};

// What a line without fields gives: latitude, longitude and altitude 0,
// segment 1 and the raw time 631065600.
TrackPoint defaultPoint() {
    TrackPoint p{};
    p.segment = 1;
    p.time = static_cast<std::uint32_t>(kReceiverEpochOffset);
    return p;
}

} // namespace

std::uint32_t TextTrackReader::receiverTime(std::int64_t shown) const {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(shown) +
                                      static_cast<std::uint64_t>(zoneOffset_ - kReceiverEpochOffset));
}

TrackPoint TextTrackReader::readUsual(std::string_view text, bool& ok) const {
    TrackPoint p = defaultPoint();
    UsualFields fields(text);
    // An empty line or an empty first field is left to the general reading.
    ok = fields.coordinate(p.latitude);
    if (!ok || fields.done())
        return p;
    ok = fields.coordinate(p.longitude);
    if (!ok || fields.done())
        return p;
    double altitude;
    ok = fields.decimal(altitude);
    if (!ok)
        return p;
    p.altitude = toFloat(altitude);
    if (fields.done())
        return p;
    std::int64_t segment;
    ok = fields.integer(segment);
    if (!ok)
        return p;
    p.segment = toInt16(segment);
    if (fields.done())
        return p;
    std::int64_t time;
    ok = fields.integer(time);
    if (ok)
        p.time = receiverTime(time);
    return p;
}

TrackPoint TextTrackReader::readGeneral(std::string_view text) const {
    TrackPoint p = defaultPoint();
    FieldSplitter fields(text, kDelimiters);
    std::string_view f;
    if (fields.next(f)) {
        p.latitude = readCoordinate(f);
        if (fields.next(f)) {
            p.longitude = readCoordinate(f);
            if (fields.next(f)) {
                p.altitude = toFloat(parseDouble(f));
                if (fields.next(f)) {
                    p.segment = toInt16(parseLong(f));
                    if (fields.next(f))
                        p.time = receiverTime(parseLong(f));
                }
            }
        }
    }
    return p;
}

bool TextTrackReader::line(std::string_view text) {
    bool usual;
    const TrackPoint p = readUsual(text, usual);
    if (usual) {
        ++valid_;
    } else {
        FieldSplitter fields(text, kDelimiters);
        std::string_view lat, lon;
        if (fields.next(lat) && fields.next(lon) && isAngleText(lat) && isAngleText(lon))
            ++valid_;
    }
    points_.push_back(usual ? p : readGeneral(text));
    return true;
}

bool TextWaypointReader::line(std::string_view text) {
    WaypointRecord w{};
    w.display = display_;
    FieldSplitter fields(text, kDelimiters);
    std::string_view f;
    if (fields.next(f)) {
        copyToField(w.ident, sizeof w.ident, f);
        if (fields.next(f)) {
            w.latitude = readCoordinate(f);
            const bool latitudeValid = isAngleText(f);
            if (fields.next(f)) {
                w.longitude = readCoordinate(f);
                valid_ += latitudeValid && isAngleText(f);
                if (fields.next(f)) {
                    copyToField(w.comment, sizeof w.comment, f);
                    if (fields.next(f)) {
                        w.symbol = toInt16(parseLong(f));
                        if (fields.next(f)) {
                            w.proximity = toFloat(parseDouble(f));
                            if (fields.next(f)) {
                                w.display = toInt16(parseLong(f));
                                if (fields.next(f))
                                    w.altitude = toFloat(parseDouble(f));
                            }
                        }
                    }
                }
            }
        }
    }
    waypoints_.push_back(w);
    return true;
}

} // namespace nuvrel

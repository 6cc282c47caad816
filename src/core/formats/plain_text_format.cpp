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

bool TextTrackReader::line(std::string_view text) {
    TrackPoint p{};
    p.segment = 1;
    p.time = static_cast<std::uint32_t>(kReceiverEpochOffset);
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
                        p.time = static_cast<std::uint32_t>(static_cast<std::uint64_t>(parseLong(f)) +
                                                        static_cast<std::uint64_t>(zoneOffset_ - kReceiverEpochOffset));
                }
            }
        }
    }
    points_.push_back(p);
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
            if (fields.next(f)) {
                w.longitude = readCoordinate(f);
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

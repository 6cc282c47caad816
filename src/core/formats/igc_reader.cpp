#include "core/formats/igc_reader.h"

#include "core/formats/calendar.h"
#include "core/formats/text_lines.h"
#include "core/geo/map_datum.h"
#include "core/regular_file.h"

#include <unistd.h>

#include <limits>
#include <new>

namespace nuvrel {

namespace {

// The digits s[at .. at+count) as a number; false when any is not a digit.
bool digitsAt(std::string_view s, std::size_t at, std::size_t count, int& value) {
    if (at + count > s.size())
        return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

// An altitude field of five characters: "01234" or "-0123".
bool altitudeAt(std::string_view s, std::size_t at, std::int32_t& value) {
    int v = 0;
    if (at + 5 > s.size())
        return false;
    if (s[at] == '-') {
        if (!digitsAt(s, at + 1, 4, v))
            return false;
        value = -v;
        return true;
    }
    if (!digitsAt(s, at, 5, v))
        return false;
    value = v;
    return true;
}

// Degrees and minutes with three decimals and the extension's further
// decimals ("4730123" + "4" -> 47 degrees 30.1234 minutes).
bool angleAt(std::string_view s, std::size_t at, std::size_t degreeDigits, std::string_view more, double& value) {
    int degrees = 0, minutes = 0, thousandths = 0;
    if (!digitsAt(s, at, degreeDigits, degrees) || !digitsAt(s, at + degreeDigits, 2, minutes) ||
        !digitsAt(s, at + degreeDigits + 2, 3, thousandths) || minutes >= 60)
        return false;
    double fraction = thousandths / 1000.0;
    double scale = 1e-4;
    for (char c : more) {
        if (c < '0' || c > '9')
            break;
        fraction += (c - '0') * scale;
        scale /= 10;
    }
    value = degrees + (minutes + fraction) / 60.0;
    return true;
}

} // namespace

std::string IgcRead::altitudeSource() const {
    const std::size_t fixes = points.size();
    if (pressureFixes == 0)
        return "GNSS";
    if (pressureFixes + noAltitude >= fixes)
        return "pressure";
    return "GNSS and pressure";
}

std::vector<std::string> IgcRead::notes() const {
    std::vector<std::string> out;
    const std::size_t fixes = points.size();
    std::string altitude = "altitude: ";
    if (pressureFixes == 0)
        altitude += "GNSS";
    else if (pressureFixes + noAltitude >= fixes)
        altitude += "pressure (the log holds no GNSS altitude)";
    else
        altitude += "GNSS; pressure, matched to GNSS, on " + std::to_string(pressureFixes) +
                    " fixes without GNSS altitude";
    out.push_back(altitude);
    if (noAltitude)
        out.push_back(std::to_string(noAltitude) + " fixes without any altitude: 0 m");
    if (duplicates)
        out.push_back("dropped " + std::to_string(duplicates) + " fixes of the same second as the fix before");
    if (voidFixes)
        out.push_back("kept " + std::to_string(voidFixes) + " fixes of validity V (2-D, no 3-D fix)");
    if (timeBack)
        out.push_back("time runs back at " + std::to_string(timeBack) + (timeBack == 1 ? " fix" : " fixes") +
                      ": a new segment starts there");
    return out;
}

IgcReader::IgcReader(std::string datumName, std::int16_t firstSegment)
    : datumName_(std::move(datumName)), segment_(firstSegment < 1 ? std::int16_t(1) : firstSegment) {}

bool IgcReader::fail(const std::string& what) {
    read_.error = "line " + std::to_string(lineNumber_) + ": " + what;
    return false;
}

bool IgcReader::line(std::string_view text) {
    if (!read_.error.empty())
        return false;
    ++lineNumber_;
    if (lineNumber_ == 1 && text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    if (text.empty())
        return true;
    switch (text[0]) {
    case 'B':
        return fix(text);
    case 'H':
        return header(text);
    case 'I':
        extensions(text);
        return true;
    default:
        return true; // A, C, D, E, F, G, J, K, L and unknown records
    }
}

bool IgcReader::header(std::string_view text) {
    if (text.size() < 5 || text.substr(2, 3) != "DTE")
        return true;
    std::size_t at = 5;
    if (text.substr(at, 5) == "DATE:")
        at += 5;
    else if (at < text.size() && text[at] == ':')
        ++at;
    int day = 0, month = 0, year = 0;
    if (!digitsAt(text, at, 2, day) || !digitsAt(text, at + 2, 2, month) || !digitsAt(text, at + 4, 2, year) ||
        day < 1 || day > 31 || month < 1 || month > 12)
        return fail("bad date in " + std::string(text.substr(0, 5)) + " (DDMMYY)");
    CalendarTime t;
    t.year = year >= 80 ? 1900 + year : 2000 + year;
    t.month = month;
    t.day = day;
    dayStart_ = utcSeconds(t);
    return true;
}

// "I" NN, then NN times: start byte, end byte (from 1), three-letter code.
void IgcReader::extensions(std::string_view text) {
    ladAt_ = lodAt_ = -1;
    int count = 0;
    if (!digitsAt(text, 1, 2, count))
        return;
    for (int i = 0; i < count; ++i) {
        const std::size_t at = 3 + std::size_t(i) * 7;
        int first = 0, last = 0;
        if (!digitsAt(text, at, 2, first) || !digitsAt(text, at + 2, 2, last) || at + 7 > text.size() ||
            first < 1 || last < first)
            return;
        const std::string_view code = text.substr(at + 4, 3);
        if (code == "LAD") {
            ladAt_ = first - 1;
            ladLength_ = last - first + 1;
        } else if (code == "LOD") {
            lodAt_ = first - 1;
            lodLength_ = last - first + 1;
        }
    }
}

bool IgcReader::fix(std::string_view text) {
    // B HHMMSS DDMMmmm N DDDMMmmm E V PPPPP GGGGG: 35 characters, or 30
    // without the GNSS altitude.
    if (text.size() < 30)
        return fail("B record too short (" + std::to_string(text.size()) + " characters, at least 30)");
    if (dayStart_ < 0)
        return fail("B record before the HFDTE date");
    int hh = 0, mm = 0, ss = 0;
    if (!digitsAt(text, 1, 2, hh) || !digitsAt(text, 3, 2, mm) || !digitsAt(text, 5, 2, ss) || hh > 23 || mm > 59 ||
        ss > 59)
        return fail("bad time in B record (HHMMSS)");
    auto extension = [&](int at, int length) {
        return at < 0 || std::size_t(at) >= text.size() ? std::string_view()
                                                          : text.substr(std::size_t(at), std::size_t(length));
    };
    Fix f{};
    if (!angleAt(text, 7, 2, extension(ladAt_, ladLength_), f.latitude) || f.latitude > 90 ||
        (text[14] != 'N' && text[14] != 'S'))
        return fail("bad latitude in B record (DDMMmmmN or S)");
    if (!angleAt(text, 15, 3, extension(lodAt_, lodLength_), f.longitude) || f.longitude > 180 ||
        (text[23] != 'E' && text[23] != 'W'))
        return fail("bad longitude in B record (DDDMMmmmE or W)");
    if (text[14] == 'S')
        f.latitude = -f.latitude;
    if (text[23] == 'W')
        f.longitude = -f.longitude;
    if (text[24] != 'A' && text[24] != 'V')
        return fail("bad fix validity in B record (A or V)");
    if (!altitudeAt(text, 25, f.pressure))
        return fail("bad pressure altitude in B record");
    f.gnss = kNone;
    if (text.size() > 30 && !altitudeAt(text, 30, f.gnss))
        return fail("bad GNSS altitude in B record");
    if (f.pressure == 0)
        f.pressure = kNone;
    if (f.gnss == 0)
        f.gnss = kNone;

    std::int64_t t = dayStart_ + hh * 3600 + mm * 60 + ss;
    while (last_ >= 0 && t < last_ - 3600)
        t += 86400;
    if (t < kEarliestTrackTime)
        return fail("fix before 1990, which a track cannot hold");
    if (t - kReceiverEpochOffset > std::int64_t(std::numeric_limits<std::uint32_t>::max()))
        return fail("fix after 2126, which a track cannot hold");
    ++read_.records;
    if (t == last_) {
        ++read_.duplicates;
        return true;
    }
    if (last_ >= 0 && t < last_) {
        if (segment_ == std::numeric_limits<std::int16_t>::max())
            return fail("time runs back once more than a track has segments for");
        ++read_.timeBack;
        ++segment_;
    }
    last_ = t;
    if (text[24] == 'V')
        ++read_.voidFixes;
    f.time = t;
    f.segment = segment_;
    try {
        fixes_.push_back(f);
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    }
    return true;
}

IgcRead IgcReader::finish() {
    IgcRead r = std::move(read_);
    if (r.error.empty() && fixes_.empty())
        r.error = "no B record (fix): not an IGC flight log";
    if (!r.error.empty()) {
        r.points.clear();
        return r;
    }
    const std::size_t n = fixes_.size();
    bool anyGnss = false;
    for (const Fix& f : fixes_)
        anyGnss = anyGnss || f.gnss != kNone;
    try {
        // Fixes without GNSS altitude take their pressure altitude moved by the
        // difference between the two on the nearest fix that has both.
        auto both = [&](std::size_t i) { return fixes_[i].gnss != kNone && fixes_[i].pressure != kNone; };
        std::vector<std::int32_t> offset(anyGnss ? n : 0, kNone);
        if (anyGnss) {
            std::size_t before = n; // the last fix with both at or before i
            std::vector<std::size_t> nearest(n, n);
            for (std::size_t i = 0; i < n; ++i) {
                if (both(i))
                    before = i;
                nearest[i] = before;
            }
            std::size_t after = n;
            for (std::size_t i = n; i-- > 0;) {
                if (both(i))
                    after = i;
                if (after < n && (nearest[i] == n || after - i < i - nearest[i]))
                    nearest[i] = after;
                if (nearest[i] < n)
                    offset[i] = fixes_[nearest[i]].gnss - fixes_[nearest[i]].pressure;
            }
        }
        r.points.reserve(n);
        const MapDatum datum(datumName_);
        for (std::size_t i = 0; i < n; ++i) {
            const Fix& f = fixes_[i];
            double altitude = 0;
            if (f.gnss != kNone) {
                altitude = f.gnss;
            } else if (f.pressure != kNone) {
                altitude = f.pressure + (anyGnss && offset[i] != kNone ? offset[i] : 0);
                ++r.pressureFixes;
            } else {
                ++r.noAltitude;
            }
            TrackPoint p{};
            double lat = 0, lon = 0, height = 0;
            datum.toLocal(f.latitude, f.longitude, altitude, lat, lon, height);
            p.latitude = lat;
            p.longitude = lon;
            p.altitude = float(height);
            p.time = std::uint32_t(f.time - kReceiverEpochOffset);
            p.segment = f.segment;
            r.points.push_back(p);
        }
    } catch (const std::bad_alloc&) {
        r.points.clear();
        r.error = "out of memory";
        return r;
    }
    r.firstTime = fixes_.front().time;
    fixes_.clear();
    fixes_.shrink_to_fit();
    return r;
}

IgcRead readIgcText(std::string_view text, const std::string& datumName, std::int16_t firstSegment) {
    IgcReader reader(datumName, firstSegment);
    forEachLine(text, [&](std::string_view line) { return reader.line(line); });
    return reader.finish();
}

IgcRead readIgcFile(const std::string& path, const std::string& datumName, std::int16_t firstSegment) {
    std::string why;
    const int fd = OpenRegularFile(path, &why);
    if (fd < 0) {
        IgcRead r;
        r.error = "cannot open " + path + (why.rfind("it is", 0) == 0 ? ": " + why : "");
        return r;
    }
    ::close(fd);
    IgcReader reader(datumName, firstSegment);
    const LineScan scan = forEachFileLine(path, [&](std::string_view line) { return reader.line(line); });
    IgcRead r = reader.finish();
    if (!scan.opened && r.error.empty()) {
        r.points.clear();
        r.error = "cannot read " + path;
    }
    return r;
}

} // namespace nuvrel

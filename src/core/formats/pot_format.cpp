#include "core/formats/pot_format.h"

#include "core/codepage.h"
#include "core/c_number.h"
#include "core/formats/calendar.h"
#include "core/formats/field_splitter.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nuvrel {

namespace {

constexpr std::size_t kLineLimit = 255;
constexpr std::size_t kTextLimit = 63;    // identifier ":" comment on export
constexpr std::size_t kRouteTextLimit = 31;

// True when key starts with name, ASCII letters compared in any case.
bool keyIs(std::string_view key, std::string_view name) {
    if (key.size() < name.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = key[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != name[i])
            return false;
    }
    return true;
}

std::string cut(std::string_view text, std::size_t maxBytes) {
    return std::string(text.substr(0, fitLength(text, maxBytes)));
}

// The length in bytes of the first n characters of text.
std::size_t charsLength(std::string_view text, std::size_t n) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < n && pos < text.size(); ++i)
        pos += charLength(text.substr(pos), activeCodePage());
    return pos;
}

constexpr std::size_t kIdentChars = 6; // a waypoint identifier's characters

std::string joinText(std::string_view ident, std::string_view comment) {
    std::string text(ident);
    text += ':';
    text += comment;
    return cut(text, kTextLimit);
}

std::string finishLine(const char* text, int n) {
    if (n < 0)
        return {};
    std::string_view line(text, static_cast<std::size_t>(n));
    return cut(line, kLineLimit);
}

} // namespace

// --- parsing --------------------------------------------------------------

double POT::parseAngle(std::string_view value) {
    FieldSplitter parts(value, "'");
    double field[4] = {0, 0, 0, 0};
    bool negative = false;
    std::string_view part;
    for (int i = 0; i < 4 && parts.next(part); ++i) {
        field[i] = parseDouble(part);
        if (i == 0) {
            const std::size_t first = part.find_first_not_of(" \t");
            negative = field[0] < 0 || (first != std::string_view::npos && part[first] == '-');
        }
    }
    const double s = negative ? -1.0 : 1.0;
    double degrees = field[0];
    if (negative && degrees == 0)
        degrees = -0.0;
    return degrees + s * field[1] / 60 + s * (field[2] + field[3] * 0.1) / 3600;
}

std::int64_t POT::localMidnight(int year, int month, int day) {
    if (year != dateCache_.year || month != dateCache_.month || day != dateCache_.day) {
        CalendarTime t;
        t.year = year;
        t.month = month;
        t.day = day;
        dateCache_ = {year, month, day, localSeconds(t)};
    }
    return dateCache_.seconds;
}

// --- the track writer's layout ---------------------------------------------
//
// Nearly every line of a track file is one this program (or one like it)
// wrote: "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/
// pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/adr=1". Such a line is read
// without splitting it into items: first as the usual widths at fixed
// places, its literal text and digits checked 16 bytes at a time; else in
// one pass that allows a "-" and other widths where the writer may put them.
// The numbers are combined exactly as the general reading combines them, so
// the record comes out the same to the bit. Anything else (other case,
// other order, other signs, extra items) goes the general way.

namespace {

[[gnu::always_inline]] inline std::uint64_t load8(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

[[gnu::always_inline]] inline std::uint32_t load4(const char* p) {
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

// Consumes the literal text (4 bytes or more) when p starts with it; compared
// in words, the last one overlapping the one before.
template <std::size_t N>
[[gnu::always_inline]] inline bool takeLiteral(const char*& p, const char* end, const char (&literal)[N]) {
    constexpr std::size_t n = N - 1;
    static_assert(n >= 4);
    if (static_cast<std::size_t>(end - p) < n)
        return false;
    bool same = true;
    if constexpr (n >= 8) {
        for (std::size_t i = 0; i + 8 <= n; i += 8)
            same &= load8(p + i) == load8(literal + i);
        if constexpr (n % 8 != 0)
            same &= load8(p + n - 8) == load8(literal + n - 8);
    } else {
        same = load4(p) == load4(literal) && load4(p + n - 4) == load4(literal + n - 4);
    }
    if (same)
        p += n;
    return same;
}

// Consumes 1 to maxDigits digits into value, which must not be followed by
// another digit.
[[gnu::always_inline]] inline bool takeNumber(const char*& p, const char* end, int maxDigits, std::uint32_t& value) {
    const char* const start = p;
    std::uint32_t v = 0;
    unsigned d;
    while (p != end && p - start < maxDigits && (d = digitValue(*p)) < 10) {
        v = v * 10 + d;
        ++p;
    }
    value = v;
    return p != start && (p == end || digitValue(*p) >= 10);
}

// Consumes exactly two digits.
[[gnu::always_inline]] inline bool takeTwoDigits(const char*& p, const char* end, std::uint32_t& value) {
    if (end - p < 2)
        return false;
    const unsigned a = digitValue(p[0]), b = digitValue(p[1]);
    if (a >= 10 || b >= 10)
        return false;
    value = a * 10 + b;
    p += 2;
    return true;
}

// The angle's minute and second terms as parseAngle computes them for
// whole minutes 0 to 99 and seconds 0 to 99 with tenths 0 to 9: m/60 and
// (s + t*0.1)/3600, made by the compiler with the same correctly rounded
// arithmetic (the tests compare every entry with the general reading).
// Division is symmetric in sign, so the negative terms are these negated.
struct AngleTerms {
    double minutes[100];
    double seconds[1000];
};

constexpr AngleTerms makeAngleTerms() {
    AngleTerms terms{};
    for (int m = 0; m < 100; ++m)
        terms.minutes[m] = static_cast<double>(m) / 60;
    for (int s = 0; s < 100; ++s)
        for (int t = 0; t < 10; ++t)
            terms.seconds[s * 10 + t] = (static_cast<double>(s) + static_cast<double>(t) * 0.1) / 3600;
    return terms;
}
constexpr AngleTerms kAngleTerms = makeAngleTerms();

// "ddd'mm'ss't" with an optional leading "-" and 1 to 5 degree digits, the
// value as parseAngle gives it.
[[gnu::always_inline]] inline bool takeAngle(const char*& p, const char* end, const AngleTerms& terms, double& angle) {
    const bool negative = p != end && *p == '-';
    if (negative)
        ++p;
    std::uint32_t d;
    if (!takeNumber(p, end, 5, d) || end - p < 9 || p[0] != '\'' || p[3] != '\'' || p[6] != '\'')
        return false;
    const unsigned m1 = digitValue(p[1]), m2 = digitValue(p[2]), s1 = digitValue(p[4]), s2 = digitValue(p[5]),
                   t = digitValue(p[7]);
    if (m1 >= 10 || m2 >= 10 || s1 >= 10 || s2 >= 10 || t >= 10)
        return false;
    p += 8;
    // As parseAngle: degrees + s*minutes/60 + s*(seconds + tenths*0.1)/3600.
    const double minutes = terms.minutes[m1 * 10 + m2];
    const double seconds = terms.seconds[s1 * 100 + s2 * 10 + t];
    if (negative)
        angle = -static_cast<double>(d) + -minutes + -seconds;
    else
        angle = static_cast<double>(d) + minutes + seconds;
    return true;
}

// An optional "-" and 1 to 9 digits.
[[gnu::always_inline]] inline bool takeSigned(const char*& p, const char* end, bool& negative, std::uint32_t& value) {
    negative = p != end && *p == '-';
    if (negative)
        ++p;
    return takeNumber(p, end, 9, value);
}

} // namespace

// "dd-MMM-yy" at p (nine bytes there): its local midnight into
// lastDateSeconds_. The same nine bytes give the same midnight, so most
// lines only compare them.
[[gnu::always_inline]] inline bool POT::readDate(const char* p) {
    const std::uint64_t head = load8(p);
    if (lastDateKnown_ && head == lastDateHead_ && p[8] == lastDateTail_)
        return true;
    return readNewDate(p);
}

bool POT::readNewDate(const char* p) {
    const unsigned d1 = digitValue(p[0]), d2 = digitValue(p[1]), y1 = digitValue(p[7]), y2 = digitValue(p[8]);
    if (d1 >= 10 || d2 >= 10 || p[2] != '-' || p[6] != '-' || y1 >= 10 || y2 >= 10)
        return false;
    // A "/" would end the item inside the month name.
    if (p[3] == '/' || p[4] == '/' || p[5] == '/')
        return false;
    // As the general reading: day, month name, two-digit year.
    const int month = monthFromAbbreviation(p + 3, 6);
    lastDateSeconds_ = localMidnight(fullYear(static_cast<int>(y1 * 10 + y2)), month, static_cast<int>(d1 * 10 + d2));
    lastDateHead_ = load8(p);
    lastDateTail_ = p[8];
    lastDateKnown_ = true;
    return true;
}

namespace {

// The usual line at fixed places: three degree digits, five altitude digits,
// no signs. '0' marks a digit, '*' a byte checked elsewhere (the month).
constexpr char kUsualLine[] = "ORD=POI/tex=/ido=000'00'00'0/kei=000'00'00'0/altitude=00000/pdate=00-***-00/"
                              "ptime=00:00:00/col=14/lev=8/adr=";
constexpr std::size_t kUsualHead = sizeof kUsualLine - 1; // 108: the address follows
// The head is checked in 16-byte blocks at these offsets (the last overlaps).
constexpr std::size_t kUsualBlocks = (kUsualHead + 15) / 16;
static_assert(kUsualHead % 16 != 0 && kUsualHead > 16);
constexpr std::size_t usualBlockOffset(std::size_t i) { return i + 1 < kUsualBlocks ? i * 16 : kUsualHead - 16; }

// Per byte of the head: the expected byte ('0' at digits) and the largest
// allowed difference from it after an XOR: 0 at literal bytes, 9 at digits
// ('0' to '9' are 0x30 to 0x39), 0xFF at bytes checked elsewhere.
struct UsualPattern {
    alignas(16) unsigned char expected[kUsualBlocks][16];
    alignas(16) unsigned char limit[kUsualBlocks][16];
};

constexpr UsualPattern makeUsualPattern() {
    UsualPattern u{};
    for (std::size_t i = 0; i < kUsualBlocks; ++i) {
        for (std::size_t b = 0; b < 16; ++b) {
            const char c = kUsualLine[usualBlockOffset(i) + b];
            u.expected[i][b] = c == '*' ? 0 : static_cast<unsigned char>(c);
            u.limit[i][b] = c == '*' ? 0xFF : c == '0' ? 9 : 0;
        }
    }
    return u;
}
constexpr UsualPattern kUsual = makeUsualPattern();

// Whether line (at least kUsualHead bytes) starts with the usual head.
[[gnu::always_inline]] inline bool hasUsualHead(const char* line) {
#if defined(__SSE2__)
    __m128i bad = _mm_setzero_si128();
#pragma GCC unroll 8
    for (std::size_t i = 0; i < kUsualBlocks; ++i) {
        const __m128i text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + usualBlockOffset(i)));
        const __m128i x = _mm_xor_si128(text, _mm_load_si128(reinterpret_cast<const __m128i*>(kUsual.expected[i])));
        // Saturating subtraction: non-zero where a byte exceeds its limit.
        bad = _mm_or_si128(bad, _mm_subs_epu8(x, _mm_load_si128(reinterpret_cast<const __m128i*>(kUsual.limit[i]))));
    }
    return _mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) == 0xFFFF;
#else
    for (std::size_t i = 0; i < kUsualBlocks; ++i)
        for (std::size_t b = 0; b < 16; ++b)
            if ((static_cast<unsigned char>(line[usualBlockOffset(i) + b]) ^ kUsual.expected[i][b]) >
                kUsual.limit[i][b])
                return false;
    return true;
#endif
}

[[gnu::always_inline]] inline unsigned digitsAt(const char* p, int count) {
    unsigned v = 0;
    for (int i = 0; i < count; ++i)
        v = v * 10 + digitValue(p[i]);
    return v;
}

} // namespace

[[gnu::always_inline]] inline bool POT::parseUsualTrackPoint(std::string_view line) {
    const AngleTerms& terms = kAngleTerms;
    const std::size_t size = line.size();
    if (size <= kUsualHead || size > kUsualHead + 9)
        return false;
    const char* const p = line.data();
    if (!hasUsualHead(p))
        return false;
    std::uint32_t adr = 0;
    for (std::size_t i = kUsualHead; i < size; ++i) {
        const unsigned d = digitValue(p[i]);
        if (d >= 10)
            return false;
        adr = adr * 10 + d;
    }
    if (!readDate(p + 66))
        return false;
    // The text first: a store through a char pointer could touch any field,
    // so the fields written before it would have to be read back from memory.
    text.clear();
    // As parseAngle: degrees + minutes/60 + (seconds + tenths*0.1)/3600.
    latitude = static_cast<double>(digitsAt(p + 17, 3)) + terms.minutes[digitsAt(p + 21, 2)] +
               terms.seconds[digitsAt(p + 24, 2) * 10 + digitValue(p[27])];
    longitude = static_cast<double>(digitsAt(p + 33, 3)) + terms.minutes[digitsAt(p + 37, 2)] +
                terms.seconds[digitsAt(p + 40, 2) * 10 + digitValue(p[43])];
    altitude = static_cast<double>(digitsAt(p + 54, 5));
    time = lastDateSeconds_ + std::int64_t{digitsAt(p + 82, 2)} * 3600 + std::int64_t{digitsAt(p + 85, 2)} * 60 +
           std::int64_t{digitsAt(p + 88, 2)};
    address = static_cast<std::int32_t>(adr);
    direction = 0;
    kind = kTrackPoint;
    return true;
}

bool POT::parseWrittenTrackPoint(std::string_view line) {
    const AngleTerms& terms = kAngleTerms;
    const char* p = line.data();
    const char* const end = p + line.size();
    if (!takeLiteral(p, end, "ORD=POI/tex=/ido=") || !takeAngle(p, end, terms, latitude) ||
        !takeLiteral(p, end, "/kei=") || !takeAngle(p, end, terms, longitude) || !takeLiteral(p, end, "/altitude="))
        return false;
    bool negative;
    std::uint32_t n;
    if (!takeSigned(p, end, negative, n))
        return false;
    // parseDouble gives -0.0 for "-00000", as the negation here does.
    altitude = negative ? -static_cast<double>(n) : static_cast<double>(n);
    if (!takeLiteral(p, end, "/pdate=") || end - p < 9 || !readDate(p))
        return false;
    p += 9;
    std::uint32_t hh, mm, ss;
    if (!takeLiteral(p, end, "/ptime=") || !takeTwoDigits(p, end, hh) || p == end || *p++ != ':' ||
        !takeTwoDigits(p, end, mm) || p == end || *p++ != ':' || !takeTwoDigits(p, end, ss) ||
        !takeLiteral(p, end, "/col=14/lev=8/adr=") || !takeSigned(p, end, negative, n) || p != end)
        return false;
    time = lastDateSeconds_ + std::int64_t{hh} * 3600 + std::int64_t{mm} * 60 + std::int64_t{ss};
    address = negative ? -static_cast<std::int32_t>(n) : static_cast<std::int32_t>(n);
    direction = 0;
    text.clear();
    kind = kTrackPoint;
    return true;
}

bool POT::parseTrackPointShortcut(std::string_view line) {
    return parseUsualTrackPoint(line) || parseWrittenTrackPoint(line);
}

int POT::parse(std::string_view line) {
    if (parseTrackPointShortcut(line))
        return kind;
    return parseGeneral(line);
}

int POT::parseGeneral(std::string_view line) {
    latitude = longitude = altitude = direction = 0;
    time = 0;
    text.clear();
    address = kNoAddress;
    kind = kNone;
    if (line.size() <= 9)
        return kind;

    std::int64_t dateSeconds = 0;
    std::int64_t daySeconds = 0;
    FieldSplitter items(line, "/");
    std::string_view item;
    while (items.next(item)) {
        std::size_t eq = 0;
        while (eq < item.size() && item[eq] != '=')
            ++eq;
        if (eq + 1 >= item.size())
            continue; // no value
        const std::string_view key = item.substr(0, eq);
        const std::string_view value = item.substr(eq + 1);
        // Keys are told apart by their first letter, then matched in full.
        char first = key.empty() ? '\0' : key[0];
        if (first >= 'a' && first <= 'z')
            first = static_cast<char>(first - 'a' + 'A');
        switch (first) {
        case 'I':
            if (keyIs(key, "IDO"))
                latitude = parseAngle(value);
            break;
        case 'K':
            if (keyIs(key, "KEI"))
                longitude = parseAngle(value);
            break;
        case 'D':
            if (keyIs(key, "DEG"))
                direction = parseAngle(value);
            break;
        case 'A':
            if (keyIs(key, "ALTITUDE")) {
                altitude = parseDouble(value);
            } else if (keyIs(key, "ADR")) {
                const std::int64_t a = parseLong(value);
                address = static_cast<std::int32_t>(a < INT32_MIN ? INT32_MIN : a > INT32_MAX ? INT32_MAX : a);
            }
            break;
        case 'P':
            if (keyIs(key, "PDATE")) {
                const int day = parseDigits(value, 0, 2);
                const int month =
                    value.size() > 3 ? monthFromAbbreviation(value.data() + 3, value.size() - 3) : 1;
                const int year = fullYear(parseDigits(value, 7, 2));
                dateSeconds = localMidnight(year, month, day);
            } else if (keyIs(key, "PTIME")) {
                daySeconds = std::int64_t{parseDigits(value, 0, 2)} * 3600 + parseDigits(value, 3, 2) * 60 +
                             parseDigits(value, 6, 2);
            }
            break;
        case 'T':
            if (keyIs(key, "TEX"))
                text.assign(value);
            break;
        default:
            break;
        }
    }
    time = dateSeconds + daySeconds;
    const bool hasText = !text.empty();
    const bool hasAddress = address != kNoAddress;
    kind = hasText ? (hasAddress ? kRoutePoint : kWaypoint) : (hasAddress ? kTrackPoint : kNone);
    return kind;
}

// --- writing --------------------------------------------------------------

std::string POT::formatAngle(double degrees) {
    double a = std::fabs(degrees);
    if (!(a == a))
        a = 0;
    if (a > 99999)
        a = 99999;
    // Tenths of a second, with a hair of slack so that values that are
    // exact in decimal (29.1") do not lose a tenth to binary rounding.
    const auto total = static_cast<long long>(a * 36000.0 + 1e-6);
    const long long d = total / 36000;
    const long long m = total / 600 % 60;
    const long long s = total / 10 % 60;
    const long long t = total % 10;
    char buf[48];
    if (degrees < 0 && total > 0)
        std::snprintf(buf, sizeof buf, "-%02lld'%02lld'%02lld'%1lld", d, m, s, t);
    else
        std::snprintf(buf, sizeof buf, "%03lld'%02lld'%02lld'%1lld", d, m, s, t);
    return buf;
}

std::string POT::trackPointLine() const {
    const CalendarTime t = utcFields(time);
    char buf[512];
    const int n = std::snprintf(buf, sizeof buf,
                                "ORD=POI/tex=/ido=%s/kei=%s/altitude=%05d/pdate=%02d-%3.3s-%02d/ptime=%02d:%02d:%02d"
                                "/col=14/lev=8/adr=%d",
                                formatAngle(latitude).c_str(), formatAngle(longitude).c_str(), truncateToInt(altitude),
                                t.day, monthAbbreviation(t.month), centuryYear(t.year), t.hour, t.minute, t.second,
                                address);
    return finishLine(buf, n);
}

std::string POT::waypointLine() const {
    char buf[512];
    const int n = std::snprintf(buf, sizeof buf, "ORD=POI/tex=%s/ido=%s/kei=%s/altitude=%05d/col=14/lev=8",
                                cut(text, kTextLimit).c_str(), formatAngle(latitude).c_str(),
                                formatAngle(longitude).c_str(), truncateToInt(altitude));
    return finishLine(buf, n);
}

std::string POT::routePointLine() const {
    char buf[512];
    const int n = std::snprintf(buf, sizeof buf, "ORD=POI/tex=%s/ido=%s/kei=%s/altitude=%05d/col=14/lev=8/adr=%d",
                                cut(text, kTextLimit).c_str(), formatAngle(latitude).c_str(),
                                formatAngle(longitude).c_str(), truncateToInt(altitude), address);
    return finishLine(buf, n);
}

std::string potDatumLine(const DatumInfo& datum) {
    char da[32], df[32], dx[32], dy[32], dz[32];
    std::snprintf(da, sizeof da, "%.15g", datum.da);
    std::snprintf(df, sizeof df, "%.15g", datum.df * 10000);
    std::snprintf(dx, sizeof dx, "%.15g", datum.dx);
    std::snprintf(dy, sizeof dy, "%.15g", datum.dy);
    std::snprintf(dz, sizeof dz, "%.15g", datum.dz);
    std::string line = "Dat=";
    line += cut(datum.name, 63);
    line += '/';
    line += cut(datum.ellipsoid, 63);
    for (const char* v : {da, df, dx, dy, dz}) {
        line += '/';
        line += v;
    }
    line += '/';
    return line;
}

namespace {
void putLine(TextSink& out, const std::string& line) {
    out.put(line);
    out.put("\r\n");
}
} // namespace

void writePotTrack(TextSink& out, std::span<const TrackPoint> points, const DatumInfo& datum) {
    putLine(out, potDatumLine(datum));
    POT record;
    record.kind = POT::kTrackPoint;
    for (const TrackPoint& p : points) {
        record.latitude = p.latitude;
        record.longitude = p.longitude;
        record.altitude = p.altitude;
        record.address = p.segment;
        record.time = std::int64_t{p.time} + kReceiverEpochOffset;
        putLine(out, record.trackPointLine());
    }
}

void writePotWaypoints(TextSink& out, std::span<const WaypointRecord> waypoints, const DatumInfo& datum) {
    putLine(out, potDatumLine(datum));
    POT record;
    record.kind = POT::kWaypoint;
    for (const WaypointRecord& w : waypoints) {
        record.text = joinText(fieldText(w.ident, sizeof w.ident), fieldText(w.comment, sizeof w.comment));
        record.latitude = w.latitude;
        record.longitude = w.longitude;
        record.altitude = w.altitude;
        putLine(out, record.waypointLine());
    }
}

void writePotRoutes(TextSink& out, std::span<const CRouteField::Route> routes, const DatumInfo& datum) {
    putLine(out, potDatumLine(datum));
    POT record;
    record.kind = POT::kRoutePoint;
    std::int32_t number = 0;
    for (const CRouteField::Route& route : routes) {
        if (route.entries.empty())
            continue;
        ++number;
        for (const RouteEntry& e : route.entries) {
            record.text = joinText(fieldText(e.ident, sizeof e.ident), fieldText(e.comment, sizeof e.comment));
            record.latitude = e.latitude;
            record.longitude = e.longitude;
            record.altitude = e.altitude;
            record.address = number;
            putLine(out, record.routePointLine());
        }
    }
}

// --- readers --------------------------------------------------------------

bool PotTrackReader::line(std::string_view text) {
    // Adds the record as a point. The values are taken before the point is
    // made: read after it, they would come from memory again (a whole point
    // copied from the record's fields just written waits for those stores).
    const auto add = [this]() __attribute__((always_inline)) {
        const double latitude = record_.latitude, longitude = record_.longitude, altitude = record_.altitude;
        const std::int64_t time = record_.time;
        const std::int32_t address = record_.address;
        if (segment_ == 0 || address != lastAddress_)
            ++segment_;
        lastAddress_ = address;
        TrackPoint& p = points_.emplace_back();
        p.latitude = latitude;
        p.longitude = longitude;
        p.time = static_cast<std::uint32_t>(time - kReceiverEpochOffset);
        p.segment = static_cast<std::int16_t>(segment_);
        // Altitudes in the float range convert directly; toFloat clamps the rest.
        p.altitude = std::fabs(altitude) <= 3.0e38 ? static_cast<float>(altitude) : toFloat(altitude);
    };
    // POT::parse, its quickest part inlined here, so that its values reach
    // the point in registers.
    if (record_.parseUsualTrackPoint(text))
        add();
    else if (record_.parseWrittenTrackPoint(text) || record_.parseGeneral(text) == POT::kTrackPoint)
        add();
    return true;
}

void PotWaypointReader::splitText(std::string_view text, std::string& ident, std::string& comment) {
    // The identifier counts characters, not bytes; the colon may follow it
    // directly.
    const std::size_t n = charsLength(text, kIdentChars);
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && colon <= n) {
        ident.assign(text.substr(0, colon));
        comment.assign(text.substr(colon + 1));
    } else {
        ident.assign(text.substr(0, n));
        comment.assign(text.substr(n));
    }
}

bool PotWaypointReader::line(std::string_view text) {
    if (record_.parse(text) != POT::kWaypoint)
        return true;
    std::string ident, comment;
    splitText(record_.text, ident, comment);
    WaypointRecord w{};
    w.latitude = record_.latitude;
    w.longitude = record_.longitude;
    w.altitude = toFloat(record_.altitude);
    w.display = display_;
    copyToField(w.ident, sizeof w.ident, ident);
    copyToField(w.comment, sizeof w.comment, comment);
    waypoints_.push_back(w);
    return true;
}

bool PotRouteReader::line(std::string_view text) {
    if (record_.parse(text) == POT::kNone)
        return true;
    kept_.push_back({cut(record_.text, kRouteTextLimit), record_.latitude, record_.longitude, record_.altitude,
                     record_.address, record_.kind});
    return true;
}

std::vector<PotRoute> PotRouteReader::take() {
    std::vector<PotRoute> routes;
    if (kept_.empty() || kept_.back().kind != POT::kRoutePoint)
        return routes;
    std::size_t first = 0;
    while (first < kept_.size()) {
        std::size_t last = first;
        while (last + 1 < kept_.size() && kept_[last + 1].address == kept_[first].address)
            ++last;
        PotRoute route;
        route.name = cut(kept_[first].text + " TO " + kept_[last].text, 63);
        for (std::size_t i = first; i <= last; ++i) {
            const Kept& k = kept_[i];
            PotRouteEntry e;
            const std::size_t colon = k.text.find(':');
            const std::string_view before = std::string_view(k.text).substr(0, colon);
            e.ident = std::string(before.substr(0, charsLength(before, kIdentChars)));
            if (colon != std::string::npos)
                e.comment = cut(std::string_view(k.text).substr(colon + 1), 40);
            e.latitude = k.latitude;
            e.longitude = k.longitude;
            e.altitude = toFloat(k.altitude);
            route.entries.push_back(std::move(e));
        }
        routes.push_back(std::move(route));
        first = last + 1;
    }
    kept_.clear();
    return routes;
}

} // namespace nuvrel

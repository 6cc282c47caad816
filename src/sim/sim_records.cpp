#include "sim_records.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace gpssim {

namespace {

constexpr double kPi = 3.14159265358979323846;

void put16(Bytes& b, int v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(unsigned(v) >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(std::uint8_t(v >> (8 * i)));
}
void putFloat(Bytes& b, float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    put32(b, u);
}
void putDouble(Bytes& b, double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, 8);
    for (int i = 0; i < 8; ++i)
        b.push_back(std::uint8_t(u >> (8 * i)));
}
std::int32_t semicircles(double deg) {
    double s = std::round(deg * 2147483648.0 / 180.0);
    if (s > 2147483647.0)
        s = 2147483647.0;
    if (s < -2147483648.0)
        s = -2147483648.0;
    return std::int32_t(s);
}
void putPosition(Bytes& b, double lat, double lon) {
    put32(b, std::uint32_t(semicircles(lat)));
    put32(b, std::uint32_t(semicircles(lon)));
}
void putFixed(Bytes& b, const std::string& s, std::size_t n, char fill) {
    for (std::size_t i = 0; i < n; ++i)
        b.push_back(std::uint8_t(i < s.size() ? s[i] : fill));
}
void putString(Bytes& b, const std::string& s, std::size_t max) {
    for (std::size_t i = 0; i < s.size() && i + 1 < max && s[i]; ++i)
        b.push_back(std::uint8_t(s[i]));
    b.push_back(0);
}

std::uint16_t get16(const Bytes& d, std::size_t at) { return at + 2 <= d.size() ? std::uint16_t(d[at] | d[at + 1] << 8) : 0; }
std::int32_t get32(const Bytes& d, std::size_t at) {
    if (at + 4 > d.size())
        return 0;
    return std::int32_t(std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 | std::uint32_t(d[at + 2]) << 16 |
                        std::uint32_t(d[at + 3]) << 24);
}
float getFloat(const Bytes& d, std::size_t at) {
    const std::uint32_t u = std::uint32_t(get32(d, at));
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
double degrees(std::int32_t s) { return s * 180.0 / 2147483648.0; }

// Text of a field for the record file: quoted, with anything unusual escaped.
std::string quoted(const Bytes& d, std::size_t at, std::size_t n, bool stopAtNul) {
    std::string out = "\"";
    for (std::size_t i = at; i < at + n && i < d.size(); ++i) {
        const unsigned char c = d[i];
        if (stopAtNul && c == 0)
            break;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c >= 32 && c < 127) {
            out += char(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out + "\"";
}

std::string fmt(const char* f, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

std::string describeWaypoint(const Model& m, const Bytes& d) {
    std::string s = std::string("format=") + m.wptName();
    double lat, lon;
    std::string ident, comment;
    float alt = 0, prox = 0;
    int symbol = 0, display = 0;
    switch (m.wpt) {
    case WptType::D100:
    case WptType::D103:
    case WptType::D104:
        ident = quoted(d, 0, 6, false);
        lat = degrees(get32(d, 6));
        lon = degrees(get32(d, 10));
        comment = quoted(d, 18, 40, false);
        if (m.wpt == WptType::D103 && d.size() >= 60) {
            symbol = d[58];
            display = d[59];
        } else if (m.wpt == WptType::D104 && d.size() >= 65) {
            prox = getFloat(d, 58);
            symbol = std::int16_t(get16(d, 62));
            display = d[64];
        }
        break;
    default: {
        const std::size_t at = m.wpt == WptType::D109 ? 52 : 48;
        symbol = std::int16_t(get16(d, 4));
        lat = degrees(get32(d, 24));
        lon = degrees(get32(d, 28));
        alt = getFloat(d, 32);
        ident = quoted(d, at, d.size() > at ? d.size() - at : 0, true);
        std::size_t c = at;
        while (c < d.size() && d[c])
            ++c;
        comment = quoted(d, c + 1, d.size() > c + 1 ? d.size() - c - 1 : 0, true);
        break;
    }
    }
    s += " ident=" + ident + " lat=" + fmt("%.9f", lat) + " lon=" + fmt("%.9f", lon) + " alt=" + fmt("%g", alt) +
         " symbol=" + std::to_string(symbol) + " display=" + std::to_string(display) + " proximity=" +
         fmt("%g", prox) + " comment=" + comment;
    return s;
}

} // namespace

Bytes U16(int v) {
    Bytes b;
    put16(b, v);
    return b;
}

Bytes WaypointRecord(const Model& m, const Waypoint& w) {
    Bytes b;
    switch (m.wpt) {
    case WptType::D100:
    case WptType::D103:
    case WptType::D104:
        putFixed(b, w.ident, 6, ' ');
        putPosition(b, w.lat, w.lon);
        put32(b, 0);
        putFixed(b, w.comment, 40, ' ');
        if (m.wpt == WptType::D103) {
            b.push_back(std::uint8_t(w.symbol));
            b.push_back(std::uint8_t(w.display));
        } else if (m.wpt == WptType::D104) {
            putFloat(b, w.proximity);
            put16(b, w.symbol);
            b.push_back(std::uint8_t(w.display));
        }
        break;
    case WptType::D108:
    case WptType::D109: {
        const bool d109 = m.wpt == WptType::D109;
        b.push_back(d109 ? 0x01 : 0x00); // D109: data type; D108: user waypoint class
        b.push_back(d109 ? 0x00 : 0xFF); // D109: user class; D108: default colour
        b.push_back(d109 ? 0x1F : 0x00); // D109: colour and display; D108: display
        b.push_back(d109 ? 0x70 : 0x60); // attributes
        put16(b, w.symbol);
        for (int i = 0; i < 6; ++i)
            b.push_back(0);
        for (int i = 0; i < 12; ++i)
            b.push_back(0xFF);
        putPosition(b, w.lat, w.lon);
        putFloat(b, w.alt);
        putFloat(b, 1.0e25f); // depth unknown
        putFloat(b, w.proximity > 0 ? w.proximity : 1.0e25f);
        putFixed(b, "", 2, ' '); // state
        putFixed(b, "", 2, ' '); // country
        if (d109)
            put32(b, 0xFFFFFFFFu); // time en route
        putString(b, w.ident, 51);
        putString(b, w.comment, 51);
        putString(b, "", 31); // facility
        putString(b, "", 25); // city
        putString(b, "", 51); // address
        putString(b, "", 51); // cross road
        break;
    }
    }
    return b;
}

Bytes TrackPointRecord(const Model& m, const TrackPoint& p) {
    Bytes b;
    putPosition(b, p.lat, p.lon);
    put32(b, p.time);
    if (m.newFormat) {
        putFloat(b, p.alt);
        putFloat(b, p.depth);
    }
    b.push_back(p.newTrack ? 1 : 0);
    return b;
}

Bytes TrackHeaderRecord(const Track& t) {
    Bytes b{1, 0xFF}; // displayed, default colour
    putString(b, t.name, 51);
    return b;
}

Bytes RouteHeaderRecord(const Model& m, const Route& r) {
    Bytes b;
    if (m.newFormat) {
        putString(b, r.name, 51);
    } else {
        b.push_back(std::uint8_t(r.number));
        putFixed(b, r.name, 20, ' ');
    }
    return b;
}

Bytes RouteLinkRecord() {
    Bytes b;
    put16(b, 3); // direct
    for (int i = 0; i < 6; ++i)
        b.push_back(0);
    for (int i = 0; i < 12; ++i)
        b.push_back(0xFF);
    b.push_back(0);
    return b;
}

Bytes ProductRecord(const Model& m) {
    Bytes b;
    put16(b, m.productId);
    put16(b, m.softwareVersion);
    putString(b, m.description(), 200);
    return b;
}

Bytes ProtocolArrayRecord(const Model& m) {
    Bytes b;
    for (const auto& [tag, number] : m.protocols()) {
        b.push_back(std::uint8_t(tag));
        put16(b, number);
    }
    return b;
}

Bytes PositionRecord(double latDeg, double lonDeg) {
    Bytes b;
    putDouble(b, latDeg * kPi / 180);
    putDouble(b, lonDeg * kPi / 180);
    return b;
}

Bytes DateTimeRecord(std::time_t utc) {
    std::tm t{};
    gmtime_r(&utc, &t);
    Bytes b{std::uint8_t(t.tm_mon + 1), std::uint8_t(t.tm_mday)};
    put16(b, t.tm_year + 1900);
    put16(b, t.tm_hour);
    b.push_back(std::uint8_t(t.tm_min));
    b.push_back(std::uint8_t(t.tm_sec));
    return b;
}

std::string DescribeHostPacket(const Model& m, const Frame& f) {
    const Bytes& d = f.data;
    switch (f.id) {
    case Pid_Records: return "records count=" + std::to_string(get16(d, 0));
    case Pid_Xfer_Cmplt: return "xfercmplt command=" + std::to_string(get16(d, 0));
    case Pid_Command_Data: return "command number=" + std::to_string(get16(d, 0));
    case Pid_Product_Rqst: return "productrqst";
    case Pid_Wpt_Data: return "wpt " + describeWaypoint(m, d);
    case Pid_Rte_Wpt_Data: return "rtewpt " + describeWaypoint(m, d);
    case Pid_Rte_Hdr:
        if (m.newFormat)
            return "rtehdr format=D202 ident=" + quoted(d, 0, d.size(), true);
        return "rtehdr format=D201 number=" + std::to_string(d.empty() ? 0 : d[0]) +
               " comment=" + quoted(d, 1, 20, false);
    case Pid_Rte_Link_Data:
        return "rtelink class=" + std::to_string(get16(d, 0)) + " ident=" + quoted(d, 20, d.size(), true);
    default: return "unknown id=" + std::to_string(f.id);
    }
}

} // namespace gpssim

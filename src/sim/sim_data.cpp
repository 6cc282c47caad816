#include "sim_data.h"

#include <cmath>

namespace gpssim {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string fit(const std::string& s, const Model& m) {
    return s.substr(0, m.newFormat ? 10 : 6);
}

int symbolFor(const Model& m, int d103, int full) {
    switch (m.wpt) {
    case WptType::D100: return 0;
    case WptType::D103: return d103;
    default: return full;
    }
}

// A name in the receiver's Japanese character set: katakana codes 33.., digits 82..
std::string receiverKana(int seed, std::size_t len) {
    std::string s;
    for (std::size_t i = 0; i < len; ++i)
        s.push_back(char(i + 1 == len ? 82 + seed % 10 : 33 + (seed * 7 + int(i) * 5) % 45));
    return s;
}

Waypoint wpt(const Model& m, const char* name, int seed, double lat, double lon, float alt, const char* cmnt,
             int d103, int full) {
    Waypoint w;
    w.ident = m.charSet == 2 ? receiverKana(seed, m.newFormat ? 8 : 6) : fit(name, m);
    w.lat = lat;
    w.lon = lon;
    w.alt = m.newFormat ? alt : 0;
    w.comment = m.newFormat ? "" : cmnt;
    w.symbol = symbolFor(m, d103, full);
    w.display = m.wpt == WptType::D104 ? 3 : 0;
    w.proximity = m.wpt == WptType::D104 ? 150.0f : 0.0f;
    return w;
}

} // namespace

Track GenerateFlight(int n) {
    Track t;
    t.name = "FLIGHT";
    const double lat0 = 35.3850, lon0 = 138.5900;
    const double mPerDegLat = 111320.0, mPerDegLon = 111320.0 * std::cos(lat0 * kPi / 180);
    const double windEast = 4.5, windNorth = 0.0; // a steady 4.5 m/s west wind
    const double dt = 4.0;
    double x = 0, y = 0, alt = 1450, heading = 80 * kPi / 180;
    const std::uint32_t start = std::uint32_t(993603600 - kEpochOffset); // 2001-06-27 01:00:00 UTC
    for (int i = 0; i < n; ++i) {
        const int phase = i % 70; // 40 points of glide, 30 of circling
        double airspeed, vario;
        if (phase < 40) {
            airspeed = 10.5;
            vario = -1.1;
            heading += (phase == 0 ? 0.6 : 0.0);
        } else {
            airspeed = 9.0;
            vario = 1.8;
            heading += 2 * kPi * dt / 24.0; // one circle in 24 s
        }
        if (i > 0) {
            x += (airspeed * std::sin(heading) + windEast) * dt;
            y += (airspeed * std::cos(heading) + windNorth) * dt;
            alt += vario * dt;
        }
        TrackPoint p;
        p.lat = lat0 + y / mPerDegLat;
        p.lon = lon0 + x / mPerDegLon;
        p.alt = float(alt);
        p.time = start + std::uint32_t(i * dt);
        p.newTrack = i == 0;
        t.points.push_back(p);
    }
    return t;
}

Data SampleData(const Model& m) {
    Data d;
    d.waypoints = {
        wpt(m, "ASAGIRI", 1, 35.3850, 138.5900, 1450, "TAKE OFF WEST", 10, 16393),
        wpt(m, "LZ", 2, 35.3702, 138.6180, 880, "LANDING FIELD", 11, 16384),
        wpt(m, "FUJI", 3, 35.3606, 138.7274, 3776, "SUMMIT", 13, 8246),
        wpt(m, "LAKE", 4, 35.4971, 138.7688, 834, "LAKE SHORE", 5, 150),
        wpt(m, "TOWER", 5, -33.8568, 151.2153, 10, "SOUTH AND EAST", 8, 16391),
    };
    Track t1;
    t1.name = "ACTIVE LOG";
    for (int i = 0; i < 12; ++i) {
        TrackPoint p;
        p.lat = 35.3850 - i * 0.0011;
        p.lon = 138.5900 + i * 0.0023;
        p.alt = float(1450 - i * 40);
        p.time = std::uint32_t(993603600 - kEpochOffset + i * 10);
        p.newTrack = i == 0;
        t1.points.push_back(p);
    }
    Track t2;
    t2.name = "WALK";
    for (int i = 0; i < 6; ++i) {
        TrackPoint p;
        p.lat = 35.3702 + i * 0.0004;
        p.lon = 138.6180 - i * 0.0003;
        p.alt = 880;
        p.time = std::uint32_t(993610800 - kEpochOffset + i * 30);
        p.newTrack = i == 0;
        t2.points.push_back(p);
    }
    d.tracks = {t1, t2};
    Route r0;
    r0.number = 0;
    r0.name = "TASK ONE";
    r0.points = {d.waypoints[0], d.waypoints[2], d.waypoints[1]};
    Route r5;
    r5.number = 5;
    r5.name = "LAKE RUN";
    r5.points = {d.waypoints[1], d.waypoints[3]};
    d.routes = {r0, r5};
    return d;
}

} // namespace gpssim

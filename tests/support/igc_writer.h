// A minimal IGC file of track points (header date and B records), for
// handing our simulated flights to the outside reference scorer.
#pragma once

#include "core/data/records.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <span>
#include <string>

namespace nuvrel::test {

inline void writeIgc(const std::string& path, std::span<const TrackPoint> points) {
    std::ofstream out(path, std::ios::binary);
    auto utc = [](const TrackPoint& p) {
        const std::time_t t = static_cast<std::time_t>(p.time + kReceiverEpochOffset);
        std::tm tm{};
        gmtime_r(&t, &tm);
        return tm;
    };
    auto angle = [](double v, int degDigits, char pos, char neg) {
        const char h = v < 0 ? neg : pos;
        const long milli = std::lround(std::abs(v) * 60000); // thousandths of a minute
        char buf[48];
        std::snprintf(buf, sizeof buf, "%0*ld%05ld%c", degDigits, milli / 60000, milli % 60000, h);
        return std::string(buf);
    };
    out << "AXXX001 nuvrel test\r\n";
    if (!points.empty()) {
        const std::tm d = utc(points.front());
        char buf[40];
        std::snprintf(buf, sizeof buf, "HFDTEDATE:%02d%02d%02d,01\r\n", d.tm_mday, d.tm_mon + 1, d.tm_year % 100);
        out << buf;
    }
    for (const TrackPoint& p : points) {
        const std::tm t = utc(p);
        char buf[128];
        const long alt = std::clamp(std::lround(p.altitude), 0L, 99999L);
        std::snprintf(buf, sizeof buf, "B%02d%02d%02d%s%sA%05ld%05ld\r\n", t.tm_hour, t.tm_min, t.tm_sec,
                      angle(p.latitude, 2, 'N', 'S').c_str(), angle(p.longitude, 3, 'E', 'W').c_str(), alt, alt);
        out << buf;
    }
}

} // namespace nuvrel::test

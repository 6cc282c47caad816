#include "sim_datafile.h"

#include <cstdlib>
#include <fstream>
#include <vector>

namespace gpssim {

namespace {

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> out(1);
    for (char c : line) {
        if (c == '|')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

std::string unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            out += char(std::strtol(s.substr(i + 2, 2).c_str(), nullptr, 16));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool number(const std::string& s, double& v) {
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && end && *end == '\0';
}

bool waypoint(const std::vector<std::string>& f, Waypoint& w) {
    double lat = 0, lon = 0, alt = 0, sym = 0, dsp = 0, prox = 0;
    if (f.size() != 9 || !number(f[2], lat) || !number(f[3], lon) || !number(f[4], alt) || !number(f[5], sym) ||
        !number(f[6], dsp) || !number(f[7], prox))
        return false;
    w.ident = unescape(f[1]);
    w.lat = lat;
    w.lon = lon;
    w.alt = float(alt);
    w.symbol = int(sym);
    w.display = int(dsp);
    w.proximity = float(prox);
    w.comment = unescape(f[8]);
    return true;
}

} // namespace

bool ReadDataFile(const std::string& path, Data& data, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    data.waypoints.clear();
    data.tracks.clear();
    data.routes.clear();
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const auto f = split(line);
        bool ok = true;
        if (f[0] == "wpt") {
            Waypoint w;
            ok = waypoint(f, w);
            data.waypoints.push_back(w);
        } else if (f[0] == "track" && f.size() == 2) {
            data.tracks.push_back(Track{unescape(f[1]), {}});
        } else if (f[0] == "trkpt" && f.size() == 6) {
            double lat = 0, lon = 0, time = 0, alt = 0, flag = 0;
            ok = number(f[1], lat) && number(f[2], lon) && number(f[3], time) && number(f[4], alt) &&
                 number(f[5], flag);
            if (data.tracks.empty())
                data.tracks.push_back(Track{"TRACK", {}});
            TrackPoint p;
            p.lat = lat;
            p.lon = lon;
            p.time = std::uint32_t(time);
            p.alt = float(alt);
            p.newTrack = flag != 0;
            data.tracks.back().points.push_back(p);
        } else if (f[0] == "route" && f.size() == 3) {
            double n = 0;
            ok = number(f[1], n);
            data.routes.push_back(Route{int(n), unescape(f[2]), {}});
        } else if (f[0] == "rtept") {
            Waypoint w;
            ok = waypoint(f, w) && !data.routes.empty();
            if (ok)
                data.routes.back().points.push_back(w);
        } else if (f[0] == "position" && f.size() == 3) {
            ok = number(f[1], data.lat) && number(f[2], data.lon);
        } else {
            ok = false;
        }
        if (!ok) {
            error = path + ":" + std::to_string(lineNo) + ": cannot read this line";
            return false;
        }
    }
    return true;
}

} // namespace gpssim

#include "core/analysis/flight_report_text.h"

#include "core/analysis/flight_analysis.h"

#include <cstdio>
#include <ctime>

namespace nuvrel {

namespace {

std::string fmt(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string windText(const WindFigure& w) {
    if (!w.known)
        return "unknown";
    return fmt("%.1f km/h", w.speedKmh) + " from " + fmt("%.0f deg", w.fromDeg) + fmt(" (quality %.2f, ", w.quality) +
           windSourceName(w) + ")";
}

std::string windJson(const WindFigure& w) {
    if (!w.known)
        return R"({"speed_kmh":null,"from_deg":null,"quality":0,"source":null})";
    return "{\"speed_kmh\":" + fmt("%.1f", w.speedKmh) + ",\"from_deg\":" + fmt("%.0f", w.fromDeg) +
           ",\"quality\":" + fmt("%.2f", w.quality) + ",\"source\":\"" + windSourceName(w) + "\"}";
}

std::string position(const ContestPoint& p) {
    return "[" + fmt("%.6f", p.latitude) + "," + fmt("%.6f", p.longitude) + "]";
}

std::string pointJson(std::span<const TrackPoint> points, std::uint32_t i) {
    return "{\"index\":" + std::to_string(i) + ",\"time\":\"" + isoUtcText(points[i].time) + "\"}";
}

std::string jsonText(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

} // namespace

std::string isoUtcText(std::uint32_t receiverTime) {
    const std::time_t t = static_cast<std::time_t>(receiverTime + kReceiverEpochOffset);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

std::vector<std::string> flightReportLines(const FlightReport& report, std::span<const TrackPoint> points) {
    std::vector<std::string> out;
    if (report.flights.empty()) {
        out.push_back("no flight found");
        return out;
    }
    for (std::size_t k = 0; k < report.flights.size(); ++k) {
        const FlightReportEntry& f = report.flights[k];
        out.push_back("Flight " + std::to_string(k + 1));
        out.push_back("  take-off:  point " + std::to_string(f.takeoff + 1) + " at " + isoUtcText(points[f.takeoff].time));
        out.push_back("  landing:   point " + std::to_string(f.landing + 1) + " at " + isoUtcText(points[f.landing].time));
        out.push_back("  air time:  " + airTimeText(f.airTimeS));
        out.push_back("  track:     " + fmt("%.2f km", f.trackKm));
        out.push_back("  wind:      " + windText(f.wind));
        out.push_back("  thermals:  " + std::to_string(f.thermals.size()));
        for (std::size_t t = 0; t < f.thermals.size(); ++t) {
            const ThermalReport& th = f.thermals[t];
            out.push_back("    " + std::to_string(t + 1) + ": points " + std::to_string(th.start + 1) + "-" +
                          std::to_string(th.end + 1) + ", gain " + fmt("%.0f m", th.gainM) + ", climb " +
                          fmt("%.1f m/s", th.climbMs) + ", wind " + windText(th.wind));
        }
        out.push_back("  turn winds: " + std::to_string(f.turnWinds.size()));
        for (std::size_t t = 0; t < f.turnWinds.size(); ++t) {
            const TurnWind& w = f.turnWinds[t];
            out.push_back("    " + std::to_string(t + 1) + ": points " + std::to_string(w.start + 1) + "-" +
                          std::to_string(w.end + 1) + ", wind " + windText(w.wind));
        }
        const ContestScore& s = f.score;
        if (s.pending)
            out.push_back("  score:     " + std::string(contestRulesName(s.rules)) + ", scoring...");
        else
            out.push_back("  score:     " + std::string(contestRulesName(s.rules)) + ", " +
                          (s.type.empty() ? std::string("none") : s.type) + ", " + fmt("%.2f km", s.distanceKm) +
                          ", " + fmt("%.2f points", s.points));
        for (std::size_t t = 0; t < s.turnpoints.size(); ++t)
            out.push_back("    turnpoint " + std::to_string(t + 1) + ": point " +
                          std::to_string(s.turnpoints[t].index + 1) + " " + fmt("%.6f", s.turnpoints[t].latitude) +
                          " " + fmt("%.6f", s.turnpoints[t].longitude));
    }
    return out;
}

std::string flightReportJson(const FlightReport& report, std::span<const TrackPoint> points) {
    std::string out = "{\"flights\":[";
    for (std::size_t k = 0; k < report.flights.size(); ++k) {
        const FlightReportEntry& f = report.flights[k];
        out += k ? "," : "";
        out += "{\"takeoff\":" + pointJson(points, f.takeoff) + ",\"landing\":" + pointJson(points, f.landing) +
               ",\"air_time_s\":" + fmt("%.0f", f.airTimeS) + ",\"track_km\":" + fmt("%.2f", f.trackKm) +
               ",\"wind\":" + windJson(f.wind) + ",\"thermals\":[";
        for (std::size_t t = 0; t < f.thermals.size(); ++t) {
            const ThermalReport& th = f.thermals[t];
            out += t ? "," : "";
            out += "{\"start\":" + std::to_string(th.start) + ",\"end\":" + std::to_string(th.end) +
                   ",\"gain_m\":" + fmt("%.0f", th.gainM) + ",\"climb_ms\":" + fmt("%.2f", th.climbMs) +
                   ",\"wind\":" + windJson(th.wind) + "}";
        }
        out += "],\"turn_winds\":[";
        for (std::size_t t = 0; t < f.turnWinds.size(); ++t) {
            const TurnWind& w = f.turnWinds[t];
            out += t ? "," : "";
            out += "{\"start\":" + std::to_string(w.start) + ",\"end\":" + std::to_string(w.end) +
                   ",\"wind\":" + windJson(w.wind) + "}";
        }
        const ContestScore& s = f.score;
        out += "],\"score\":{\"rules\":" + jsonText(contestRulesName(s.rules)) + ",\"type\":" +
               (s.type.empty() ? std::string("null") : jsonText(s.type)) +
               ",\"distance_km\":" + fmt("%.2f", s.distanceKm) + ",\"points\":" + fmt("%.2f", s.points) +
               ",\"turnpoints\":[";
        for (std::size_t t = 0; t < s.turnpoints.size(); ++t)
            out += (t ? "," : "") + position(s.turnpoints[t]);
        out += "]";
        if (s.ends.size() == 2) {
            if (s.triangle)
                out += ",\"closing\":[" + position(s.ends[0]) + "," + position(s.ends[1]) +
                       "],\"closing_km\":" + fmt("%.2f", s.closingKm);
            else
                out += ",\"start\":" + position(s.ends[0]) + ",\"finish\":" + position(s.ends[1]);
        }
        out += "}}";
    }
    return out + "]}\n";
}

} // namespace nuvrel

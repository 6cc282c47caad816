#include "core/logbook/logbook_text.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace nuvrel {

namespace {

std::string number(double v, int decimals) {
    if (!std::isfinite(v))
        v = 0;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    std::string s = text;
    if (s == "-0" || s.find_first_not_of("-0.") == std::string::npos)
        s = decimals ? "0." + std::string(static_cast<std::size_t>(decimals), '0') : "0";
    return s;
}

std::string json(const std::string& s) {
    std::string out = "\"";
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                out += esc;
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

std::string csv(const std::string& s) {
    std::string v = s;
    if (!v.empty() && (v[0] == '=' || v[0] == '+' || v[0] == '-' || v[0] == '@' || v[0] == '\t' || v[0] == '\r'))
        v.insert(v.begin(), '\'');
    if (v.find_first_of(",\"\r\n") == std::string::npos && v == s)
        return v;
    std::string out = "\"";
    for (char c : v) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string siteText(const LogbookFlight& f) { return f.site.empty() ? "(unnamed)" : f.site; }

std::string scoreText(const LogbookScore& s) {
    return s.type.empty() ? "none" : s.type + ", " + number(s.distanceKm, 2) + " km, " + number(s.points, 2) + " points";
}

} // namespace

std::string logbookIsoTime(std::int64_t unixTime) {
    const std::time_t t = static_cast<std::time_t>(unixTime);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

std::string logbookDurationText(double seconds) {
    const long long minutes = std::llround(std::max(0.0, seconds) / 60);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", minutes / 60, minutes % 60);
    return text;
}

std::string logbookListJson(std::span<const LogbookFlight> flights) {
    std::string out = "{\"flights\":[";
    for (std::size_t i = 0; i < flights.size(); ++i) {
        const LogbookFlight& f = flights[i];
        out += (i ? ",{" : "{");
        out += "\"id\":" + std::to_string(f.id) + ",\"date\":" + json(f.date()) +
               ",\"takeoff_time\":" + json(logbookIsoTime(f.takeoffTime)) +
               ",\"landing_time\":" + json(logbookIsoTime(f.landingTime)) + ",\"air_time_s\":" + number(f.airTimeS, 0) +
               ",\"site\":" + json(f.site) + ",\"distance_km\":" + number(f.trackKm, 3) +
               ",\"score_points\":" + number(f.xcontest.points, 2) + ",\"score_rules\":\"xcontest\"" +
               ",\"glider\":" + json(f.glider) + "}";
    }
    return out + "]}\n";
}

std::string logbookTotalsJson(std::span<const LogbookTotal> totals) {
    std::string out = "{\"groups\":[";
    for (std::size_t i = 0; i < totals.size(); ++i) {
        const LogbookTotal& t = totals[i];
        out += (i ? ",{" : "{");
        out += "\"key\":" + json(t.key) + ",\"flights\":" + std::to_string(t.flights) +
               ",\"air_time_s\":" + number(t.airTimeS, 0) + ",\"distance_km\":" + number(t.distanceKm, 3) +
               ",\"points\":" + number(t.points, 2) + "}";
    }
    return out + "]}\n";
}

std::string logbookFlightJson(const LogbookFlight& f) {
    auto score = [](const LogbookScore& s) {
        return "{\"type\":" + json(s.type) + ",\"distance_km\":" + number(s.distanceKm, 2) +
               ",\"points\":" + number(s.points, 2) + "}";
    };
    auto place = [](double lat, double lon, double alt) {
        return "{\"latitude\":" + number(lat, 7) + ",\"longitude\":" + number(lon, 7) + ",\"altitude_m\":" + number(alt, 1) + "}";
    };
    std::string out = "{\"id\":" + std::to_string(f.id) + ",\"date\":" + json(f.date()) +
                      ",\"takeoff_time\":" + json(logbookIsoTime(f.takeoffTime)) +
                      ",\"landing_time\":" + json(logbookIsoTime(f.landingTime)) +
                      ",\"takeoff\":" + place(f.takeoffLatitude, f.takeoffLongitude, f.takeoffAltitude) +
                      ",\"landing\":" + place(f.landingLatitude, f.landingLongitude, f.landingAltitude) +
                      ",\"air_time_s\":" + number(f.airTimeS, 0) + ",\"distance_km\":" + number(f.trackKm, 3) +
                      ",\"max_altitude_m\":" + number(f.maxAltitude, 1) + ",\"max_climb_ms\":" + number(f.maxClimbMs, 2) +
                      ",\"max_sink_ms\":" + number(f.maxSinkMs, 2) + ",\"wind\":";
    if (f.windKnown)
        out += "{\"speed_kmh\":" + number(f.windKmh, 1) + ",\"from_deg\":" + number(f.windFromDeg, 0) +
               ",\"quality\":" + number(f.windQuality, 2) + "}";
    else
        out += "null";
    out += ",\"xcontest\":" + score(f.xcontest) + ",\"ffvl\":" + score(f.ffvl) + ",\"site\":" + json(f.site) +
           ",\"glider\":" + json(f.glider) + ",\"pilot\":" + json(f.pilot) + ",\"receiver\":" + json(f.receiver) +
           ",\"note\":" + json(f.note) + ",\"source\":" + json(f.source) + ",\"hash\":" + json(f.hash) + "}\n";
    return out;
}

std::vector<std::string> logbookListLines(std::span<const LogbookFlight> flights) {
    std::vector<std::string> out{"id  date        take-off  air time  distance  points  site / glider"};
    for (const LogbookFlight& f : flights) {
        char line[160];
        std::snprintf(line, sizeof line, "%-3lld %s  %s  %8s  %6.1f km  %6.2f  ", static_cast<long long>(f.id),
                      f.date().c_str(), logbookIsoTime(f.takeoffTime).substr(11, 5).c_str(),
                      logbookDurationText(f.airTimeS).c_str(), f.trackKm, f.xcontest.points);
        out.push_back(line + siteText(f) + (f.glider.empty() ? "" : " / " + f.glider));
    }
    return out;
}

std::vector<std::string> logbookTotalsLines(std::span<const LogbookTotal> totals) {
    std::vector<std::string> out;
    for (const LogbookTotal& t : totals)
        out.push_back((t.key.empty() ? std::string("(none)") : t.key) + ": " + std::to_string(t.flights) + " flights, " +
                      logbookDurationText(t.airTimeS) + " air time, " + number(t.distanceKm, 1) + " km, " +
                      number(t.points, 2) + " points");
    return out;
}

std::vector<std::string> logbookFlightLines(const LogbookFlight& f) {
    std::vector<std::string> out;
    out.push_back("Flight " + std::to_string(f.id) + " on " + f.date());
    out.push_back("  take-off:  " + logbookIsoTime(f.takeoffTime) + " at " + number(f.takeoffLatitude, 5) + ", " +
                  number(f.takeoffLongitude, 5) + ", " + number(f.takeoffAltitude, 0) + " m");
    out.push_back("  landing:   " + logbookIsoTime(f.landingTime) + " at " + number(f.landingLatitude, 5) + ", " +
                  number(f.landingLongitude, 5) + ", " + number(f.landingAltitude, 0) + " m");
    out.push_back("  air time:  " + logbookDurationText(f.airTimeS) + " (" + number(f.airTimeS, 0) + " s)");
    out.push_back("  distance:  " + number(f.trackKm, 2) + " km");
    out.push_back("  altitude:  max " + number(f.maxAltitude, 0) + " m, climb " + number(f.maxClimbMs, 1) +
                  " m/s, sink " + number(f.maxSinkMs, 1) + " m/s");
    out.push_back("  wind:      " + (f.windKnown ? number(f.windKmh, 1) + " km/h from " + number(f.windFromDeg, 0) +
                                                       " deg (quality " + number(f.windQuality, 2) + ")"
                                                 : std::string("unknown")));
    out.push_back("  XContest:  " + scoreText(f.xcontest));
    out.push_back("  FFVL:      " + scoreText(f.ffvl));
    out.push_back("  site:      " + siteText(f));
    out.push_back("  glider:    " + f.glider);
    out.push_back("  pilot:     " + f.pilot);
    out.push_back("  receiver:  " + f.receiver);
    out.push_back("  note:      " + f.note);
    out.push_back("  source:    " + f.source);
    return out;
}

std::string logbookCsv(std::span<const LogbookFlight> flights) {
    std::string out =
        "id,date,takeoff_time,landing_time,air_time_s,site,takeoff_latitude,takeoff_longitude,takeoff_altitude_m,"
        "landing_latitude,landing_longitude,landing_altitude_m,distance_km,max_altitude_m,max_climb_ms,max_sink_ms,"
        "wind_kmh,wind_from_deg,xcontest_type,xcontest_km,xcontest_points,ffvl_type,ffvl_km,ffvl_points,glider,pilot,"
        "receiver,note,source\r\n";
    for (const LogbookFlight& f : flights) {
        const std::string fields[] = {
            std::to_string(f.id), f.date(), logbookIsoTime(f.takeoffTime), logbookIsoTime(f.landingTime),
            number(f.airTimeS, 0), csv(f.site), number(f.takeoffLatitude, 7), number(f.takeoffLongitude, 7),
            number(f.takeoffAltitude, 1), number(f.landingLatitude, 7), number(f.landingLongitude, 7),
            number(f.landingAltitude, 1), number(f.trackKm, 3), number(f.maxAltitude, 1), number(f.maxClimbMs, 2),
            number(f.maxSinkMs, 2), f.windKnown ? number(f.windKmh, 1) : "", f.windKnown ? number(f.windFromDeg, 0) : "",
            csv(f.xcontest.type), number(f.xcontest.distanceKm, 2), number(f.xcontest.points, 2), csv(f.ffvl.type),
            number(f.ffvl.distanceKm, 2), number(f.ffvl.points, 2), csv(f.glider), csv(f.pilot), csv(f.receiver),
            csv(f.note), csv(f.source)};
        for (std::size_t i = 0; i < std::size(fields); ++i)
            out += (i ? "," : "") + fields[i];
        out += "\r\n";
    }
    return out;
}

} // namespace nuvrel

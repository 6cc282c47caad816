// A made-up logbook career for the logbook benchmarks: flights of a few
// thousand fixes from twenty take-offs over ten seasons, with three gliders.
#pragma once

#include "core/logbook/logbook.h"

#include <cmath>
#include <string>
#include <vector>

namespace nuvrel::bench {

inline std::vector<NewLogbookFlight> career(int flights, int fixes) {
    std::vector<NewLogbookFlight> out(static_cast<std::size_t>(flights));
    const char* gliders[] = {"Ozone Rush 6", "Advance Iota 2", "Gin Bonanza 3"};
    for (int k = 0; k < flights; ++k) {
        NewLogbookFlight& n = out[static_cast<std::size_t>(k)];
        // Twenty take-offs a few km apart, spread over ten seasons.
        const double lat0 = 45 + (k % 20) * 0.05, lon0 = 6 + (k % 20) * 0.04;
        const std::int64_t t0 = 1262304000 + std::int64_t(k) * 3 * 86400 + 36000;
        for (int i = 0; i < fixes; ++i) {
            const double a = i * 0.01;
            n.fixes.push_back({t0 + i, lat0 + 0.02 * std::sin(a) + i * 1e-5, lon0 + 0.02 * std::cos(a),
                               1500 + 300 * std::sin(a * 0.3)});
        }
        LogbookFlight& f = n.flight;
        f.takeoffTime = n.fixes.front().time;
        f.landingTime = n.fixes.back().time;
        f.takeoffLatitude = lat0, f.takeoffLongitude = lon0 + 0.02, f.takeoffAltitude = 1500;
        f.landingLatitude = n.fixes.back().latitude, f.landingLongitude = n.fixes.back().longitude;
        f.airTimeS = fixes - 1;
        f.trackKm = 40 + k % 50;
        f.maxAltitude = 1800;
        f.xcontest = {"Free Flight", 20.0 + k % 30, 20.0 + k % 30};
        f.ffvl = {"Distance 3 points", 20.0 + k % 30, 20.0 + k % 30};
        f.glider = gliders[k % 3];
        f.pilot = "Hana Sato";
        f.source = "flight" + std::to_string(k) + ".igc";
    }
    return out;
}


} // namespace nuvrel::bench

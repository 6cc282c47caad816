// The contest score of a flight: the best of the scoring types of one set of
// cross-country rules, found among the track log's own points (no
// interpolation), with the turnpoints that give it.
//
// Distances follow the leagues' earth model: the ellipsoidal flat-earth
// formula of the FCC (47 CFR 73.208) between WGS-84 positions, every leg
// rounded to 10 m, closing distances and scores rounded to 0.01.
//
// Scoring types:
// - free flight: start, up to three turnpoints and finish in the order flown,
//   the sum of the four legs;
// - flat triangle: three turnpoints in the order flown, closed when a point
//   before the first and a point after the last lie close enough together
//   (the closing distance); the perimeter less the closing distance;
// - FAI triangle: the same, with each side at least 28 % of the perimeter.
// XContest: free flight x1.0, free triangle x1.2 (closing within 20 % of the
// perimeter), FAI triangle x1.4 (20 %), closed free triangle x1.4 (5 %),
// closed FAI triangle x1.6 (5 %); the closing distance is always deducted.
// FFVL: "distance 3 points" x1.0, flat triangle x1.2 and FAI triangle x1.4,
// closed within 3 km or 5 % of the perimeter, only a closing beyond 3 km is
// deducted.
#pragma once

#include "core/data/records.h"

#include <cstdint>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

namespace nuvrel {

enum class ContestRules { XContest, FFVL };

// "xcontest" or "ffvl".
const char* contestRulesName(ContestRules rules);

struct ContestPoint {
    std::uint32_t index = 0; // into the points scored
    double latitude = 0;
    double longitude = 0;
};

struct ContestScore {
    ContestRules rules = ContestRules::XContest;
    std::string type;         // e.g. "Free Flight", "FAI Triangle"; empty when nothing scores
    bool triangle = false;
    double distanceKm = 0;    // the legs' sum (perimeter for triangles), before the closing deduction
    double points = 0;        // the score
    double closingKm = 0;     // triangles: the closing distance found
    std::vector<ContestPoint> turnpoints; // the three turnpoints, in the order flown
    // Free flight: start and finish. Triangles: the closing pair, the point
    // before the first turnpoint and the one after the last.
    std::vector<ContestPoint> ends;
    bool cancelled = false;   // stopped on request before the search ended: no score
    bool pending = false;     // not computed yet (a window computes it on a worker thread)
};

// Distance in km between two WGS-84 positions by the FCC formula.
double contestDistanceKm(double lat1, double lon1, double lat2, double lon2);

// The best score of the points under the rules. Fewer than two points score
// nothing (type empty, 0 points). When stop is requested the search ends
// early with no score (cancelled).
ContestScore scoreFlight(std::span<const TrackPoint> points, ContestRules rules, std::stop_token stop = {});

} // namespace nuvrel

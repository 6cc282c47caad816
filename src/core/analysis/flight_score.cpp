#include "core/analysis/flight_score.h"

namespace nuvrel {

std::vector<ContestScore> scoreReportFlights(std::span<const TrackPoint> held, const FlightReport& report,
                                             ContestRules rules, std::string_view datumName, std::stop_token stop) {
    // Scores are measured on WGS-84 positions.
    std::vector<TrackPoint> converted;
    const std::span<const TrackPoint> points = PointsInWgs84(held, datumName, converted);
    std::vector<ContestScore> out;
    for (const FlightReportEntry& f : report.flights) {
        ContestScore s;
        s.rules = rules;
        if (f.takeoff <= f.landing && f.landing < points.size())
            s = scoreFlight(points.subspan(f.takeoff, f.landing - f.takeoff + 1), rules, stop);
        else
            s.cancelled = stop.stop_requested();
        for (auto* list : {&s.turnpoints, &s.ends})
            for (ContestPoint& p : *list)
                p.index += f.takeoff;
        out.push_back(std::move(s));
    }
    return out;
}

} // namespace nuvrel

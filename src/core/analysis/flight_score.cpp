#include "core/analysis/flight_score.h"

#include "core/geo/map_datum.h"

namespace nuvrel {

std::vector<ContestScore> scoreReportFlights(std::span<const TrackPoint> held, const FlightReport& report,
                                             ContestRules rules, std::string_view datumName, std::stop_token stop) {
    // Scores are measured on WGS-84 positions.
    const MapDatum datum(datumName);
    std::vector<TrackPoint> converted;
    if (datum.da() != 0 || datum.df() != 0 || datum.dx() != 0 || datum.dy() != 0 || datum.dz() != 0) {
        converted.assign(held.begin(), held.end());
        for (TrackPoint& p : converted) {
            double lat, lon, alt;
            datum.toWgs84(p.latitude, p.longitude, p.altitude, lat, lon, alt);
            p.latitude = lat, p.longitude = lon;
        }
    }
    const std::span<const TrackPoint> points = converted.empty() ? held : std::span<const TrackPoint>(converted);
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

#include "core/analysis/igc_flights.h"

#include "core/analysis/flight_analysis.h"
#include "core/analysis/flight_report.h"

#include <set>

namespace nuvrel {

std::vector<IgcFlight> igcFlights(const IFTGarminTrack& track, std::string_view datumName) {
    std::vector<IgcFlight> out;
    for (const FlightReportEntry& f : buildFlightReport(track.points(), -1, ContestRules::XContest, datumName, false).flights)
        out.push_back({f.takeoff, f.landing, f.airTimeS});
    return out;
}

std::optional<IgcFlight> defaultIgcFlight(const IFTGarminTrack& track, std::string_view datumName) {
    if (track.count() == 0)
        return std::nullopt;
    const std::vector<IgcFlight> flights = igcFlights(track, datumName);
    const IgcFlight* longest = nullptr;
    for (const IgcFlight& f : flights)
        if (!longest || f.airTimeS > longest->airTimeS)
            longest = &f;
    if (longest)
        return *longest;
    const FlightRange flight = detectFlight(track, -1, kFlightThresholdKmh);
    return IgcFlight{flight.takeOff, flight.landing, 0};
}

void chooseIgcFlight(const IFTGarminTrack& track, ExportSettings& settings) {
    settings.igcFlight.reset();
    if (settings.igcSpan == IgcSpan::Flight) {
        settings.igcFlight = defaultIgcFlight(track, settings.datum.name);
    } else if (settings.igcSpan == IgcSpan::NumberedFlight) {
        const std::vector<IgcFlight> flights = igcFlights(track, settings.datum.name);
        if (settings.igcNumber >= 1 && std::size_t(settings.igcNumber) <= flights.size())
            settings.igcFlight = flights[std::size_t(settings.igcNumber) - 1];
    }
}

std::vector<IgcChoice> igcChoices(const IFTGarminTrack& track, std::string_view datumName) {
    const std::span<const TrackPoint> points = track.points();
    std::set<int> numbers;
    for (const TrackPoint& p : points)
        numbers.insert(p.segment);
    std::vector<IgcChoice> segments;
    for (const int number : numbers) {
        int first = -1, last = -1;
        track.segmentRange(number, first, last);
        if (first >= 0) // in a log out of segment order, only what the export can find
            segments.push_back({IgcSpan::Segment, number, std::size_t(first), std::size_t(last)});
    }
    const std::vector<IgcFlight> flights = igcFlights(track, datumName);
    if (flights.size() <= 1 && segments.size() <= 1)
        return {};
    std::vector<IgcChoice> choices;
    for (std::size_t k = 0; k < flights.size(); ++k)
        choices.push_back({IgcSpan::NumberedFlight, int(k) + 1, flights[k].takeoff, flights[k].landing});
    choices.push_back({IgcSpan::Whole, 0, 0, points.size() - 1});
    choices.insert(choices.end(), segments.begin(), segments.end());
    return choices;
}

} // namespace nuvrel

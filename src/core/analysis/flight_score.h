// The contest scores of a report's flights, apart from the rest of the
// report: the costly part of a long flight, which a window computes on a
// worker thread after showing the report without it.
#pragma once

#include "core/analysis/flight_report.h"

#include <span>
#include <stop_token>
#include <string_view>
#include <vector>

namespace nuvrel {

// The score of each flight of the report (take-off .. landing of the points
// held in the named map datum, the turnpoints' indices into the points), in
// the report's order. When stop is requested the scores left are marked
// cancelled.
std::vector<ContestScore> scoreReportFlights(std::span<const TrackPoint> held, const FlightReport& report,
                                             ContestRules rules, std::string_view datumName,
                                             std::stop_token stop = {});

} // namespace nuvrel

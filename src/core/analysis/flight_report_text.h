// The flight report as text: readable lines (the command line, the window and
// the printed report show the same) and one JSON object for scripts.
#pragma once

#include "core/analysis/flight_report.h"

#include <span>
#include <string>
#include <vector>

namespace nuvrel {

// "YYYY-MM-DDTHH:MM:SSZ" of a point's receiver time.
std::string isoUtcText(std::uint32_t receiverTime);

// The readable report, one line per entry (no line ends). Point numbers are
// 1-based as in the track detail window.
std::vector<std::string> flightReportLines(const FlightReport& report, std::span<const TrackPoint> points);

// {"flights": [{"takeoff": {"index", "time"}, "landing": {...}, "air_time_s",
// "track_km", "wind": {"speed_kmh", "from_deg", "quality", "source"},
// "thermals": [{"start", "end", "gain_m", "climb_ms", "wind"}], "turn_winds":
// [{"start", "end", "wind"}], "score": {"rules", "type", "distance_km",
// "points", "turnpoints": [[lat, lon], ...]}}]}; indices are 0-based into the
// whole log, positions WGS-84 degrees, "source" "thermals", "turns" or
// "thermals+turns", an unknown wind has null speed, direction and source and
// quality 0. One line, ending in a line end.
std::string flightReportJson(const FlightReport& report, std::span<const TrackPoint> points);

} // namespace nuvrel

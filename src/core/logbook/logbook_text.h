// The logbook as text: lines for the terminal, JSON for scripts and CSV for
// spreadsheets. Times are UTC ("2022-07-16T11:14:55Z"), distances the track
// distance in km, points the XContest score.
#pragma once

#include "core/logbook/logbook.h"

#include <span>
#include <string>
#include <vector>

namespace nuvrel {

// "YYYY-MM-DDTHH:MM:SSZ" of seconds since 1970.
std::string logbookIsoTime(std::int64_t unixTime);
// "H:MM" of a duration.
std::string logbookDurationText(double seconds);

// {"flights": [{"id", "date", "takeoff_time", "landing_time", "air_time_s",
// "site", "distance_km", "score_points", "score_rules", "glider"}]}, one
// line with its line end.
std::string logbookListJson(std::span<const LogbookFlight> flights);
// {"groups": [{"key", "flights", "air_time_s", "distance_km", "points"}]}.
std::string logbookTotalsJson(std::span<const LogbookTotal> totals);
// Every field of one flight as one JSON object.
std::string logbookFlightJson(const LogbookFlight& f);

// A header line and one line per flight / group; every field of one flight.
std::vector<std::string> logbookListLines(std::span<const LogbookFlight> flights);
std::vector<std::string> logbookTotalsLines(std::span<const LogbookTotal> totals);
std::vector<std::string> logbookFlightLines(const LogbookFlight& f);

// A CSV file (RFC 4180, CR LF) with a header row and every field of each
// flight. Text that a spreadsheet would take for a formula (=, +, -, @ at
// its start) is given a leading apostrophe.
std::string logbookCsv(std::span<const LogbookFlight> flights);

} // namespace nuvrel

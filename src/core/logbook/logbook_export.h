// Files written from the logbook: one flight as an IGC log or a GPX track
// (chosen by the name's ending, ".igc" or ".gpx"), and flights as CSV. Each
// is a safe save: a failed write leaves any old file as it was.
#pragma once

#include "core/logbook/logbook.h"

#include <span>
#include <string>

namespace nuvrel {

// True for a name ending in .igc or .gpx (any case).
bool logbookFlightFileKind(const std::string& path, bool& igc);

// An empty message when written, else why not.
std::string writeLogbookFlight(const LogbookFlight& flight, std::span<const LogbookFix> fixes, const std::string& path);
std::string writeLogbookCsv(std::span<const LogbookFlight> flights, const std::string& path);

} // namespace nuvrel

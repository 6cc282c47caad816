// Which flight of a log an IGC export writes: the flights the flight report
// finds, the one written by default, and the list a pilot picks from when a
// log holds more than one flight or segment. The IGC writer itself only
// takes the points it is given; the choice is made here.
#pragma once

#include "core/data/ift_garmin_track.h"
#include "core/formats/format_export.h"
#include "core/formats/igc_format.h"

#include <string_view>
#include <vector>

namespace nuvrel {

// The flights of the whole log, as the flight report finds them on points
// held in the datum of that name.
std::vector<IgcFlight> igcFlights(const IFTGarminTrack& track, std::string_view datumName = "WGS 84");

// The flight IgcSpan::Flight writes: the one longest in the air (jitter of
// the position on the ground can make a short hop before the take-off); where
// the report finds none, the take-off and landing of the flight analysis
// (the whole log when it finds none either). None for an empty log.
std::optional<IgcFlight> defaultIgcFlight(const IFTGarminTrack& track, std::string_view datumName = "WGS 84");

// Sets settings.igcFlight to the flight that settings.igcSpan asks for
// (IgcSpan::Flight: the default one; IgcSpan::NumberedFlight: flight
// settings.igcNumber, none when the log has no such flight); positions are
// taken as held in settings.datum.
void chooseIgcFlight(const IFTGarminTrack& track, ExportSettings& settings);

// Each flight of the flight report, the whole log, then each segment, in
// order; empty when the log holds at most one flight and one segment (the
// export then writes IgcSpan::Flight without asking).
std::vector<IgcChoice> igcChoices(const IFTGarminTrack& track, std::string_view datumName = "WGS 84");

} // namespace nuvrel

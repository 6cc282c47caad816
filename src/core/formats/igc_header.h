// The header values of an IGC flight log that a logbook keeps: the pilot,
// the glider type and the flight recorder, from the H records
// ("HFPLTPILOTINCHARGE:Hana Sato", "HFGTYGLIDERTYPE:...", "HFFTYFRTYPE:...",
// also their "HP" and "HO" sources and the short forms without a long name).
// Values that are not UTF-8 are taken as Latin-1. Reading stops at the first
// B record.
#pragma once

#include <string>
#include <string_view>

namespace nuvrel {

struct IgcHeaderValues {
    std::string pilot;
    std::string gliderType;
    std::string recorder;
};

IgcHeaderValues readIgcHeaderValues(std::string_view text);

} // namespace nuvrel

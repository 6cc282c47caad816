// Importing IGC flight logs into the data set: one file, or several that
// become the segments of one track log.
#pragma once

#include "core/data/ift_garmin_data.h"

#include <span>
#include <string>
#include <vector>

namespace nuvrel {

struct IgcImport {
    std::size_t points = 0;
    std::size_t segments = 0;           // the last segment number of the new log
    std::string error;                  // "FILE: line 12: ...": nothing was imported
    std::vector<std::string> notes;     // per file: which altitude, what was dropped or kept
};

// Reads every file (positions converted into the map datum of that name) and,
// when all of them are flight logs, replaces the track log with their fixes in
// the order of each file's first fix, each file's segments after those of the
// file before; the time offset is reset from the computer's zone. Any file
// that cannot be read leaves the data set as it was; its error is reported
// through the data set's prompts.
IgcImport ImportIgc(IFTGarminData& data, std::span<const std::string> paths, const std::string& datumName);

} // namespace nuvrel

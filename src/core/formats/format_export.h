// Exports of the data set and the route store to a format, into a file or
// into memory.
#pragma once

#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "core/formats/datum_info.h"
#include "core/formats/format_registry.h"
#include "core/formats/text_sink.h"

#include <cstdint>
#include <string>

namespace nuvrel {

struct ExportSettings {
    bool dms = false;    // plain text: degrees-minutes-seconds coordinates
    DatumInfo datum;     // POT and PCX5 headers
    std::int64_t now = 0; // PCX5 waypoint and route time stamp (seconds since 1970)
};

enum class ExportResult {
    Written,
    NothingToWrite, // no track log, no waypoint store or no route store
    NotSupported,   // the format does not write that kind
    CantCreate,     // the file could not be created or written
};

// What an export reads: any of them may be missing.
struct ExportSource {
    const IFTGarminData* data = nullptr;
    const CRouteField* routes = nullptr;
};

ExportResult exportTo(TextSink& out, const FormatDescriptor& format, DataKind kind, const ExportSource& source,
                      const ExportSettings& settings);
// Nothing is created when there is nothing to write.
ExportResult exportFile(const std::string& path, const FormatDescriptor& format, DataKind kind,
                        const ExportSource& source, const ExportSettings& settings);

} // namespace nuvrel

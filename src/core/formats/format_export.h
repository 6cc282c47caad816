// Exports of the data set and the route store to a format, into a file or
// into memory.
#pragma once

#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "core/formats/datum_info.h"
#include "core/formats/format_registry.h"
#include "core/formats/gpx_format.h"
#include "core/formats/igc_format.h"
#include "core/formats/kml_format.h"
#include "core/formats/text_sink.h"

#include <cstdint>
#include <optional>
#include <string>

namespace nuvrel {

struct ExportSettings {
    bool dms = false;    // plain text: degrees-minutes-seconds coordinates
    DatumInfo datum;     // POT and PCX5 headers
    std::int64_t now = 0; // PCX5 waypoint and route time stamp (seconds since 1970)
    std::int32_t productId = 59;      // GPX: the receiver whose set names the symbols
    std::int32_t softwareVersion = 0;
    IgcHeader igc;        // IGC: pilot, glider and receiver, and which points
    IgcSpan igcSpan = IgcSpan::Flight;
    int igcNumber = 0;    // the segment (IgcSpan::Segment) or the flight (IgcSpan::NumberedFlight)
    std::optional<IgcFlight> igcFlight; // the flight to write (IgcSpan::Flight, NumberedFlight), chosen by the caller
    IgcWritten* igcWritten = nullptr; // when set, told what an IGC export wrote and left out
    KmlStyle kml;         // KML: the track pen
};

enum class ExportResult {
    Written,
    NothingToWrite, // no track log, no waypoint store or no route store (IGC: no such segment)
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

// GPX holds the three kinds in one file: those asked for that the source
// has (NothingToWrite when it has none of them).
ExportResult exportGpxFile(const std::string& path, GpxKinds kinds, const ExportSource& source,
                           const ExportSettings& settings);

} // namespace nuvrel

#include "core/logbook/logbook_export.h"

#include "core/formats/gpx_format.h"
#include "core/formats/igc_format.h"
#include "core/formats/text_sink.h"
#include "core/logbook/logbook_entries.h"
#include "core/logbook/logbook_text.h"

#include <cctype>
#include <filesystem>

namespace nuvrel {

bool logbookFlightFileKind(const std::string& path, bool& igc) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    igc = ext == ".igc";
    return igc || ext == ".gpx";
}

std::string writeLogbookFlight(const LogbookFlight& flight, std::span<const LogbookFix> fixes, const std::string& path) {
    bool igc = false;
    if (!logbookFlightFileKind(path, igc))
        return "cannot write " + path + ": the name must end in .igc or .gpx";
    const std::vector<TrackPoint> points = logbookTrackPoints(fixes);
    TextSink out(path);
    if (!out.isOpen())
        return "cannot write " + path + ": " + out.error();
    if (igc)
        IgcWriter("WGS 84").write(out, points, IgcHeader{flight.pilot, flight.glider, {}, flight.receiver});
    else
        writeGpx(out, GpxSource{points, {}, {}}, GpxSettings{});
    if (!out.finish())
        return "cannot write " + path + ": " + out.error();
    return {};
}

std::string writeLogbookCsv(std::span<const LogbookFlight> flights, const std::string& path) {
    TextSink out(path);
    if (!out.isOpen())
        return "cannot write " + path + ": " + out.error();
    out.put(logbookCsv(flights));
    if (!out.finish())
        return "cannot write " + path + ": " + out.error();
    return {};
}

} // namespace nuvrel

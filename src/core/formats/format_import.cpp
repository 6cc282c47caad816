#include "core/formats/format_import.h"

#include "core/codepage.h"
#include "core/errors.h"
#include "core/gps/gps_model.h"
#include "core/time_zone.h"

#include <memory>
#include <new>

namespace nuvrel {

void reportReadProblem(UserPrompts& prompts, ReadProblem problem) {
    switch (problem) {
    case ReadProblem::None:
        break;
    case ReadProblem::OpenFailed:
        ShowError(prompts, kErrFileOpen);
        break;
    case ReadProblem::NotPot:
        ShowError(prompts, kErrNotPotFile);
        break;
    case ReadProblem::NoRmc:
        prompts.showMessage("Error", "not an NMEA file: no RMC sentence found");
        break;
    case ReadProblem::NoFix:
        prompts.showMessage("Error", "not an NMEA file: no valid position fix");
        break;
    case ReadProblem::OutOfMemory:
        ShowError(prompts, kErrOutOfMemory);
        break;
    case ReadProblem::UnknownKind:
        ShowError(prompts, kErrUnsupportedFormat);
        break;
    }
}

namespace {

ImportOptions optionsFor(IFTGarminData& data) {
    ImportOptions options;
    options.zoneOffset = TimeOffsetFor(data.context().timeZone.read());
    options.displayDefault = data.displayDefault();
    return options;
}

} // namespace

bool ImportTrack(IFTGarminData& data, int kind, const std::string& path, ReadProblem* problem,
                 std::vector<std::string>* notes, TextConversion* converted) {
    TrackRead read = readTrackFile(kind, path, optionsFor(data));
    reportReadProblem(data.context().prompts, read.problem);
    if (problem)
        *problem = read.problem;
    if (notes)
        *notes = std::move(read.notes);
    if (converted)
        *converted = read.converted;
    if (read.problem != ReadProblem::None)
        return false;
    data.setTrack(std::make_unique<IFTGarminTrack>(std::move(read.points)));
    data.resetTimeOffset();
    return true;
}

bool ImportWaypoints(IFTGarminData& data, int kind, const std::string& path, ReadProblem* problem,
                     TextConversion* converted) {
    WaypointRead read = readWaypointFile(kind, path, optionsFor(data));
    reportReadProblem(data.context().prompts, read.problem);
    if (problem)
        *problem = read.problem;
    if (converted)
        *converted = read.converted;
    if (read.problem != ReadProblem::None)
        return false;
    data.setWaypoints(std::make_unique<IFTGarminWaypoint>(std::move(read.waypoints)));
    data.resetTimeOffset();
    return true;
}

int ImportPotRoutes(CRouteField& routes, const std::string& path, UserPrompts& prompts, ReadProblem* problem,
                    TextConversion* converted) {
    RouteRead read = readPotRouteFile(path);
    reportReadProblem(prompts, read.problem);
    if (problem)
        *problem = read.problem;
    if (converted)
        *converted = read.converted;
    int added = 0;
    for (const PotRoute& route : read.routes) {
        const std::uint32_t count = routes.AddRoute();
        if (count == 0) {
            ShowError(prompts, kErrOutOfMemory);
            break;
        }
        const std::uint32_t index = count - 1;
        for (const PotRouteEntry& e : route.entries)
            routes.AddRouteEntry(index, e.ident, e.latitude, e.longitude, e.comment, 0, 0, 0.0f, e.altitude);
        routes.SetRouteName(index, route.name);
        ++added;
    }
    return added;
}

GpxSettings gpxSettingsFrom(const IFTOption& option) {
    GpxSettings settings;
    settings.datumName = option.DatumName();
    settings.productId = option.GPSModelID();
    settings.softwareVersion = option.GPSSoftwareVersion();
    settings.displayDefault = GPSModel::DisplayDefaultFor(settings.productId, settings.softwareVersion);
    settings.codePage = activeCodePage();
    return settings;
}

GpxImport ImportGpx(IFTGarminData& data, CRouteField& routes, const std::string& path, GpxKinds kinds,
                    const GpxSettings& settings) {
    GpxRead read = readGpxFile(path, settings, kinds);
    GpxImport result;
    if (!read.error.empty()) {
        result.error = read.error;
        data.context().prompts.showMessage("Error", path + ": " + read.error);
        return result;
    }
    GpxContent& content = read.content;
    result.points = content.track.size();
    result.waypoints = content.waypoints.size();
    if (!content.track.empty()) {
        data.setTrack(std::make_unique<IFTGarminTrack>(std::move(content.track)));
        data.resetTimeOffset();
    }
    if (!content.waypoints.empty()) {
        data.setWaypoints(std::make_unique<IFTGarminWaypoint>(std::move(content.waypoints)));
        data.resetTimeOffset();
    }
    for (CRouteField::Route& route : content.routes) {
        const std::uint32_t count = routes.AddRoute();
        if (count == 0) {
            ShowError(data.context().prompts, kErrOutOfMemory);
            break;
        }
        const std::uint32_t index = count - 1;
        routes.SetRouteName(index, route.name);
        for (const RouteEntry& e : route.entries)
            routes.AddRouteEntry(index, fieldText(e.ident, kIdentSize), e.latitude, e.longitude,
                                 fieldText(e.comment, kCommentSize), e.symbol, e.display, e.proximity, e.altitude);
        ++result.routes;
    }
    return result;
}

} // namespace nuvrel

#include "core/formats/format_import.h"

#include "core/app/errors.h"
#include "core/app/time_zone.h"

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

bool ImportTrack(IFTGarminData& data, int kind, const std::string& path, ReadProblem* problem) {
    data.releaseTrack();
    TrackRead read = readTrackFile(kind, path, optionsFor(data));
    reportReadProblem(data.context().prompts, read.problem);
    if (problem)
        *problem = read.problem;
    data.setTrack(std::make_unique<IFTGarminTrack>(std::move(read.points)));
    data.resetTimeOffset();
    return true;
}

bool ImportWaypoints(IFTGarminData& data, int kind, const std::string& path, ReadProblem* problem) {
    data.releaseWaypoints();
    WaypointRead read = readWaypointFile(kind, path, optionsFor(data));
    reportReadProblem(data.context().prompts, read.problem);
    if (problem)
        *problem = read.problem;
    data.setWaypoints(std::make_unique<IFTGarminWaypoint>(std::move(read.waypoints)));
    data.resetTimeOffset();
    return true;
}

int ImportPotRoutes(CRouteField& routes, const std::string& path, UserPrompts& prompts, ReadProblem* problem) {
    RouteRead read = readPotRouteFile(path);
    reportReadProblem(prompts, read.problem);
    if (problem)
        *problem = read.problem;
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

} // namespace nuvrel

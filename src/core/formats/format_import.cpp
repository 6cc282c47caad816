#include "core/formats/format_import.h"

#include "core/codepage.h"
#include "core/errors.h"
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
    case ReadProblem::NoRecords:
        prompts.showMessage("Error", "nothing imported: no valid record found");
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

// Appends the routes of list to a copy of the store, each through add(store,
// index, route), and puts the copy in place once all are complete: running
// out of memory half-way adds none. Returns the number added, or -1 after
// error 6.
template <typename Routes, typename Add>
int appendRoutes(CRouteField& routes, const Routes& list, UserPrompts& prompts, Add add) {
    try {
        CRouteField staged = routes;
        for (const auto& route : list) {
            const std::uint32_t count = staged.AddRoute();
            if (count == 0 || !add(staged, count - 1, route))
                throw std::bad_alloc();
        }
        routes = std::move(staged);
        return static_cast<int>(list.size());
    } catch (const std::bad_alloc&) {
        ShowError(prompts, kErrOutOfMemory);
        return -1;
    }
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
    const int added = appendRoutes(routes, read.routes, prompts,
                                   [](CRouteField& store, std::uint32_t index, const PotRoute& route) {
                                       for (const PotRouteEntry& e : route.entries)
                                           if (!store.AddRouteEntry(index, e.ident, e.latitude, e.longitude,
                                                                    e.comment, 0, 0, 0.0f, e.altitude))
                                               return false;
                                       store.SetRouteName(index, route.name);
                                       return true;
                                   });
    return added < 0 ? 0 : added;
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
    // The routes first: when they cannot all be added, nothing changes.
    if (appendRoutes(routes, content.routes, data.context().prompts,
                     [](CRouteField& store, std::uint32_t index, const CRouteField::Route& route) {
                         store.SetRouteName(index, route.name);
                         for (const RouteEntry& e : route.entries)
                             if (!store.AddRouteEntry(index, fieldText(e.ident, kIdentSize), e.latitude,
                                                      e.longitude, fieldText(e.comment, kCommentSize), e.symbol,
                                                      e.display, e.proximity, e.altitude))
                                 return false;
                         return true;
                     }) < 0) {
        result.error = "can't allocate enough memory";
        return result;
    }
    result.points = content.track.size();
    result.waypoints = content.waypoints.size();
    result.routes = content.routes.size();
    result.notes = std::move(read.notes);
    if (!content.track.empty()) {
        data.setTrack(std::make_unique<IFTGarminTrack>(std::move(content.track)));
        data.resetTimeOffset();
    }
    if (!content.waypoints.empty()) {
        data.setWaypoints(std::make_unique<IFTGarminWaypoint>(std::move(content.waypoints)));
        data.resetTimeOffset();
    }
    if (!result.notes.empty()) {
        std::string text = path + ": ";
        for (const std::string& note : result.notes)
            text += note + (&note == &result.notes.back() ? "" : "\n");
        data.context().prompts.showMessage("Warning", text);
    }
    return result;
}

} // namespace nuvrel

// info, upgrade and retime: the native data file from the command line.
#include "cli/cli.h"

#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/native_file.h"
#include "core/data/week_rollover.h"
#include "core/gps/gps_model.h"

#include <ostream>

namespace nuvrel::cli {

DataContext dataContextFor(Context& ctx) {
    const IFTOption options(ctx.settings);
    const std::int16_t display = GPSModel::DisplayDefaultFor(options.GPSModelID(), options.GPSSoftwareVersion());
    return DataContext{ctx.prompts, ctx.timeZone, [display] { return display; }};
}

namespace {

void printSegments(std::ostream& out, const IFTGarminTrack& track) {
    out << "segments: ";
    // Runs of equal segment numbers, in the order of the log.
    std::size_t runs = 0;
    for (std::size_t i = 0; i < track.count(); ++i)
        runs += i == 0 || track.segment(i) != track.segment(i - 1);
    out << runs << " (last segment number " << track.segmentCount() << ")\n";
    for (std::size_t i = 0; i < track.count();) {
        std::size_t j = i;
        while (j + 1 < track.count() && track.segment(j + 1) == track.segment(i))
            ++j;
        out << "  segment " << track.segment(i) << ": points " << i << "-" << j << " (" << (j - i + 1) << ")\n";
        i = j + 1;
    }
}

} // namespace

int runInfo(Context& ctx) {
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 1)
        throw UsageError{"usage: info FILE.nvl"};
    const std::string& path = ctx.args[0];
    IFTGarminData data(dataContextFor(ctx));
    CRouteField routes(0);
    const auto result = NativeFile::load(path, data, routes);
    if (!result.ok)
        return 1;

    auto& out = ctx.out;
    out << "file: " << path << '\n';
    out << "version: " << result.version << '\n';
    out << "time offset: " << data.timeOffset() << " s";
    if (result.version < 3)
        out << " (from this computer's time zone; the file holds none)";
    out << '\n';
    if (result.trackRead) {
        out << "points: " << data.track()->count() << '\n';
        printSegments(out, *data.track());
    } else {
        out << "points: none (no track section)\n";
    }
    if (result.waypointsRead)
        out << "waypoints: " << data.waypoints()->count() << '\n';
    else
        out << "waypoints: none (no waypoint section)\n";
    if (result.routesRead) {
        out << "routes: " << routes.RouteCount() << '\n';
        for (std::uint32_t r = 0; r < routes.RouteCount(); ++r)
            out << "  route " << r << " \"" << routes.GetRouteName(r) << "\": " << routes.EntryCount(r)
                << (routes.EntryCount(r) == 1 ? " entry\n" : " entries\n");
    } else {
        out << "routes: none (no route section)\n";
    }
    return 0;
}

int runUpgrade(Context& ctx) {
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 2)
        throw UsageError{"usage: upgrade OLD.nvl NEW.nvl"};
    IFTGarminData data(dataContextFor(ctx));
    CRouteField routes(0);
    const auto result = NativeFile::load(ctx.args[0], data, routes);
    if (!result.ok)
        return 1;
    if (!NativeFile::save(ctx.args[1], data, &routes))
        return 1;
    ctx.out << "wrote " << ctx.args[1] << " (version " << NativeFile::kVersion << ", from version " << result.version
            << ", " << NativeFile::fileSize(data, &routes) << " bytes)\n";
    return 0;
}

// Adds N weeks (negative: takes them away) to every track time, as after a
// receiver's week-number rollover.
int runRetime(Context& ctx) {
    const std::string output = ctx.takeOption("-o");
    const std::string weeksText = ctx.takeOption("--weeks");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 1 || output.empty() || weeksText.empty())
        throw UsageError{"usage: retime DATA.nvl -o OUT.nvl --weeks N"};
    std::size_t used = 0;
    int weeks = 0;
    try {
        weeks = std::stoi(weeksText, &used);
    } catch (const std::logic_error&) {
    }
    if (used == 0 || used != weeksText.size())
        throw UsageError{"--weeks wants a whole number of weeks"};
    IFTGarminData data(dataContextFor(ctx));
    CRouteField routes(0);
    if (!NativeFile::load(ctx.args[0], data, routes).ok)
        return 1;
    if (!data.track()) {
        ctx.err << "retime: " << ctx.args[0] << " holds no track\n";
        return 1;
    }
    if (!shiftTrackWeeks(*data.track(), weeks)) {
        ctx.err << "retime: the times would leave what the receiver's clock holds (1989-12-31 to 2126)\n";
        return 1;
    }
    if (!NativeFile::save(output, data, &routes))
        return 1;
    ctx.out << "track: " << data.track()->count() << " points moved by " << weeks << " weeks\nsaved: " << output
            << '\n';
    return 0;
}

} // namespace nuvrel::cli

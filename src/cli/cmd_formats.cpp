// import and export: the interchange formats from the command line.
//   nuvrel-cli import FORMAT FILE -o DATA.nvl [--track|--waypoints|--routes] [--tz ZONE]
//   nuvrel-cli import igc FILE.igc... -o DATA.nvl  (several logs: one segment each, or more)
//   nuvrel-cli export FORMAT DATA.nvl -o FILE [--track|--waypoints|--routes]
//                     [--dms] [--datum NAME] [--tz ZONE] [--now SECONDS]
//   nuvrel-cli export kml DATA.nvl -o OUT.kml      (the track and the waypoints)
//   nuvrel-cli export igc DATA.nvl -o OUT.igc [--whole | --segment N | --flight N] [--pilot NAME]
//                     [--glider TYPE] [--glider-id ID]
// An import replaces the track log or the waypoint store of DATA.nvl (or adds
// routes to it), creating the file when it does not exist. GPX holds all
// three kinds: without --track, --waypoints or --routes it reads and writes
// all of them.
#include "cli/cli.h"

#include "core/ift_option.h"
#include "core/analysis/igc_flights.h"
#include "core/codepage.h"
#include "core/data/ift_garmin_data.h"
#include "core/formats/datum_info.h"
#include "core/formats/format_export.h"
#include "core/app/gpx_options.h"
#include "core/formats/format_import.h"
#include "core/formats/format_registry.h"
#include "core/formats/igc_import.h"
#include "core/gps/gps_model.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <ostream>

namespace nuvrel::cli {

namespace {

const FormatDescriptor& formatArg(const std::string& name) {
    if (const FormatDescriptor* f = findFormat(name))
        return *f;
    std::string known;
    for (const FormatDescriptor& f : kFormats)
        known += (known.empty() ? "" : ", ") + std::string(f.name);
    throw UsageError{"unknown format " + name + " (formats: " + known + ")"};
}

// --track, --waypoints or --routes; without one, the first kind the format
// handles in that direction.
DataKind kindArg(Context& ctx, const FormatDescriptor& format, bool reading) {
    const bool track = ctx.takeFlag("--track");
    const bool waypoints = ctx.takeFlag("--waypoints");
    const bool routes = ctx.takeFlag("--routes");
    if (track + waypoints + routes > 1)
        throw UsageError{"give only one of --track, --waypoints, --routes"};
    DataKind kind = DataKind::Track;
    if (waypoints)
        kind = DataKind::Waypoints;
    else if (routes)
        kind = DataKind::Routes;
    else if (!track) {
        for (DataKind k : {DataKind::Track, DataKind::Waypoints, DataKind::Routes})
            if (reading ? format.reads(k) : format.writes(k)) {
                kind = k;
                break;
            }
    }
    if (reading ? !format.reads(kind) : !format.writes(kind))
        throw UsageError{std::string(format.name) + " does not " + (reading ? "read " : "write ") +
                         std::string(dataKindName(kind))};
    return kind;
}

// --tz ZONE: the time zone of the local-time rules and the time offset.
void zoneArg(Context& ctx) {
    const std::string zone = ctx.takeOption("--tz");
    if (!zone.empty()) {
        setenv("TZ", zone.c_str(), 1);
        tzset();
    }
}

// GPX: one of --track, --waypoints, --routes, or all three.
GpxKinds gpxKindsArg(Context& ctx) {
    const bool track = ctx.takeFlag("--track");
    const bool waypoints = ctx.takeFlag("--waypoints");
    const bool routes = ctx.takeFlag("--routes");
    if (track + waypoints + routes > 1)
        throw UsageError{"give only one of --track, --waypoints, --routes"};
    if (!track && !waypoints && !routes)
        return GpxKinds{};
    return GpxKinds{track, waypoints, routes};
}

// What a GPX export found nothing of: the kind asked for, or all three.
std::string gpxMissing(const GpxKinds& kinds) {
    if (kinds.track && !kinds.waypoints && !kinds.routes)
        return "track";
    if (kinds.waypoints && !kinds.track && !kinds.routes)
        return "waypoints";
    if (kinds.routes && !kinds.track && !kinds.waypoints)
        return "routes";
    return "track, waypoints or routes";
}

void printSummary(std::ostream& out, const IFTGarminData& data, DataKind kind) {
    if (kind == DataKind::Track && data.track())
        out << "track: " << data.track()->count() << " points, last segment " << data.track()->segmentCount()
            << '\n';
    else if (kind == DataKind::Waypoints && data.waypoints())
        out << "waypoints: " << data.waypoints()->count() << '\n';
}

int importGpx(Context& ctx, const std::string& output) {
    const GpxKinds kinds = gpxKindsArg(ctx);
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 2 || output.empty())
        throw UsageError{"usage: import gpx FILE.gpx -o DATA.nvl [--track|--waypoints|--routes]"};
    IFTGarminData data(dataContextFor(ctx));
    CRouteField routes(1);
    if (std::filesystem::exists(output) && data.load(output, routes) != 1) {
        ctx.err << "import: cannot read " << output << '\n';
        return 1;
    }
    const GpxImport read = ImportGpx(data, routes, ctx.args[1], kinds, gpxSettingsFrom(IFTOption(ctx.settings)));
    if (!read.error.empty())
        return 1; // reported; the data file is left as it was
    ctx.out << "gpx: " << read.points << " track points, " << read.waypoints << " waypoints, " << read.routes
            << " routes\n";
    return data.save(output, &routes) ? 0 : 1;
}

// IGC logs replace the track log; several become its segments in the order
// of their first fixes.
int importIgc(Context& ctx, const std::string& output) {
    ctx.takeFlag("--track");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() < 2 || output.empty())
        throw UsageError{"usage: import igc FILE.igc... -o DATA.nvl"};
    IFTGarminData data(dataContextFor(ctx));
    CRouteField routes(1);
    if (std::filesystem::exists(output) && data.load(output, routes) != 1) {
        ctx.err << "import: cannot read " << output << '\n';
        return 1;
    }
    const std::vector<std::string> files(ctx.args.begin() + 1, ctx.args.end());
    const IgcImport read = ImportIgc(data, files, IFTOption(ctx.settings).DatumName());
    if (!read.error.empty())
        return 1; // reported; the data file is left as it was
    for (const std::string& note : read.notes)
        ctx.out << "igc: " << note << '\n';
    printSummary(ctx.out, data, DataKind::Track);
    return data.save(output, &routes) ? 0 : 1;
}

// The IGC options: which points (default the flight), and the header values
// over those of the settings.
void igcArgs(Context& ctx, const IFTOption& options, ExportSettings& settings) {
    const bool whole = ctx.takeFlag("--whole");
    const std::string segment = ctx.takeOption("--segment");
    const std::string flight = ctx.takeOption("--flight");
    if (int(whole) + int(!segment.empty()) + int(!flight.empty()) > 1)
        throw UsageError{"give only one of --whole, --segment N, --flight N"};
    if (whole)
        settings.igcSpan = IgcSpan::Whole;
    const std::string& number = segment.empty() ? flight : segment;
    if (!number.empty()) {
        settings.igcSpan = segment.empty() ? IgcSpan::NumberedFlight : IgcSpan::Segment;
        settings.igcNumber = std::atoi(number.c_str());
        if (settings.igcNumber < 1 || number.find_first_not_of("0123456789") != std::string::npos)
            throw UsageError{segment.empty() ? "--flight wants a flight number from 1"
                                             : "--segment wants a segment number from 1"};
    }
    settings.igc.pilot = ctx.takeOption("--pilot", options.PilotName());
    settings.igc.gliderType = ctx.takeOption("--glider", options.GliderType());
    settings.igc.gliderId = ctx.takeOption("--glider-id", options.GliderID());
    settings.igc.receiverModel = options.GPSModel();
}

} // namespace

int runImport(Context& ctx) {
    const std::string output = ctx.takeOption("-o");
    zoneArg(ctx);
    if (ctx.args.empty())
        throw UsageError{"usage: import FORMAT FILE -o DATA.nvl"};
    const FormatDescriptor& format = formatArg(ctx.args[0]);
    if (format.id == FormatId::Gpx)
        return importGpx(ctx, output);
    if (format.id == FormatId::Igc)
        return importIgc(ctx, output);
    const DataKind kind = kindArg(ctx, format, true);
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 2 || output.empty())
        throw UsageError{"usage: import FORMAT FILE -o DATA.nvl"};
    const std::string& input = ctx.args[1];

    IFTGarminData data(dataContextFor(ctx));
    CRouteField routes(1); // as the program starts: one empty route
    if (std::filesystem::exists(output) && data.load(output, routes) != 1) {
        ctx.err << "import: cannot read " << output << '\n';
        return 1;
    }
    ReadProblem problem = ReadProblem::None;
    std::vector<std::string> notes;
    TextConversion converted = TextConversion::None;
    int added = 0;
    if (kind == DataKind::Track)
        ImportTrack(data, format.trackKind, input, &problem, &notes, &converted);
    else if (kind == DataKind::Waypoints)
        ImportWaypoints(data, format.waypointKind, input, &problem, &converted);
    else
        added = ImportPotRoutes(routes, input, ctx.prompts, &problem, &converted);
    for (const std::string& note : notes)
        (problem == ReadProblem::None ? ctx.out : ctx.err) << "import: " << note << '\n';
    if (problem != ReadProblem::None)
        return 1; // reported; the data file is left as it was
    if (const std::string note = conversionNote(converted); !note.empty())
        ctx.err << (converted.changed ? "warning: " : "") << note << ": " << input << '\n';
    if (kind == DataKind::Routes)
        ctx.out << "routes: " << added << " added, " << routes.RouteCount() << " in all\n";
    printSummary(ctx.out, data, kind);
    return data.save(output, &routes) ? 0 : 1;
}

int runExport(Context& ctx) {
    const std::string output = ctx.takeOption("-o");
    zoneArg(ctx);
    IFTOption options(ctx.settings);
    ExportSettings settings;
    settings.dms = ctx.takeFlag("--dms") || options.TextCoordinateFormat() == 3;
    settings.datum = datumInfoFor(ctx.takeOption("--datum", options.DatumName()));
    const std::string now = ctx.takeOption("--now");
    settings.now = now.empty() ? static_cast<std::int64_t>(std::time(nullptr)) : std::atoll(now.c_str());
    settings.productId = options.GPSModelID();
    settings.softwareVersion = options.GPSSoftwareVersion();
    settings.kml = KmlStyle{options.PenColor(), options.PenWidth(), activeCodePage()};
    if (ctx.args.empty())
        throw UsageError{"usage: export FORMAT DATA.nvl -o FILE"};
    const FormatDescriptor& format = formatArg(ctx.args[0]);
    const bool gpx = format.id == FormatId::Gpx;
    const GpxKinds kinds = gpx ? gpxKindsArg(ctx) : GpxKinds{};
    const DataKind kind = gpx ? DataKind::Track : kindArg(ctx, format, false);
    IgcWritten igcWritten;
    if (format.id == FormatId::Igc) {
        igcArgs(ctx, options, settings);
        settings.igcWritten = &igcWritten;
    }
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 2 || output.empty())
        throw UsageError{"usage: export FORMAT DATA.nvl -o FILE"};

    IFTGarminData data(dataContextFor(ctx));
    CRouteField routes(0);
    if (data.load(ctx.args[1], routes) != 1)
        return 1;
    if (format.id == FormatId::Igc && data.track())
        chooseIgcFlight(*data.track(), settings);
    const ExportSource source{&data, &routes};
    switch (gpx ? exportGpxFile(output, kinds, source, settings) : exportFile(output, format, kind, source, settings)) {
    case ExportResult::Written:
        ctx.out << "wrote " << output << '\n';
        if (format.id == FormatId::Igc)
            ctx.out << "igc: " << igcWritten.fixes << " fixes; " << igcWritten.leftOut
                    << " points left out (time not after the last fix, 23 h or more later, or no position)\n";
        return 0;
    case ExportResult::NothingToWrite:
        if (format.id == FormatId::Igc && settings.igcSpan == IgcSpan::Segment && data.track())
            ctx.err << "export: " << ctx.args[1] << " holds no segment " << settings.igcNumber << '\n';
        else if (format.id == FormatId::Igc && settings.igcSpan == IgcSpan::NumberedFlight && data.track())
            ctx.err << "export: " << ctx.args[1] << " holds no flight " << settings.igcNumber
                    << " (nuvrel-cli report lists the flights)\n";
        else
            ctx.err << "export: " << ctx.args[1] << " holds no " << (gpx ? gpxMissing(kinds) : dataKindName(kind))
                    << '\n';
        return 1;
    case ExportResult::NotSupported:
        return 2;
    case ExportResult::CantCreate:
        ctx.err << "export: cannot write " << output << '\n';
        return 1;
    }
    return 1;
}

} // namespace nuvrel::cli

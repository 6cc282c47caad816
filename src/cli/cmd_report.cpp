// report: the flight report of a data file's track log (flights, wind,
// thermals, contest score) as text or JSON, and the barogram as PNG.
#include "cli/cli.h"

#include "core/analysis/flight_report.h"
#include "core/analysis/flight_report_text.h"
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"

#ifdef NUVREL_CLI_RENDER
#include "render/barogram.h"
#include "render/image_file.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#endif

#include <ostream>

namespace nuvrel::cli {

namespace {

bool saveBarogram(Context& ctx, const std::string& path, std::span<const TrackPoint> points,
                  const FlightReport& report) {
#ifdef NUVREL_CLI_RENDER
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "nuvrel-cli";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv); // text needs one
    const QImage image = render::barogramImage(1000, 500, points, report);
    if (const std::string why = render::SaveImageFile(image, path, "PNG"); !why.empty()) {
        ctx.err << "report: cannot write " << path << ": " << why << '\n';
        return false;
    }
    return true;
#else
    (void)points, (void)report, (void)path;
    ctx.err << "report: this nuvrel-cli was built without the renderer (NUVREL_BUILD_GUI=OFF); no barogram\n";
    return false;
#endif
}

} // namespace

int runReport(Context& ctx) {
    const std::string segmentText = ctx.takeOption("--segment");
    const std::string rulesText = ctx.takeOption("--rules", "xcontest");
    const bool json = ctx.takeFlag("--json");
    const std::string barogram = ctx.takeOption("--barogram");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 1)
        throw UsageError{"expects one data file"};
    int segment = -1;
    if (!segmentText.empty()) {
        std::size_t used = 0;
        try {
            segment = std::stoi(segmentText, &used);
        } catch (...) {
            used = 0;
        }
        if (used == 0 || used != segmentText.size() || segment < 0)
            throw UsageError{"--segment expects a segment number, not \"" + segmentText + "\""};
    }
    ContestRules rules;
    if (rulesText == "xcontest")
        rules = ContestRules::XContest;
    else if (rulesText == "ffvl")
        rules = ContestRules::FFVL;
    else
        throw UsageError{"--rules expects xcontest or ffvl, not \"" + rulesText + "\""};

    IFTGarminData data(DataContext{ctx.prompts, ctx.timeZone});
    CRouteField routes;
    if (!data.load(ctx.args[0], routes))
        return 1;
    const IFTGarminTrack* track = data.track();
    const std::span<const TrackPoint> points = track ? track->points() : std::span<const TrackPoint>{};
    // The track log is held in the datum of the settings.
    FlightReport report = buildFlightReport(points, segment, rules, IFTOption(ctx.settings).DatumName());
    report.timeOffset = data.timeOffset();
    if (json) {
        ctx.out << flightReportJson(report, points);
    } else {
        for (const std::string& line : flightReportLines(report, points))
            ctx.out << line << '\n';
    }
    if (!barogram.empty() && !saveBarogram(ctx, barogram, points, report))
        return 1;
    return 0;
}

} // namespace nuvrel::cli

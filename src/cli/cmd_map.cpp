// measures: per-segment distance, time and speed of a data file's track log
// (render, the map picture, is in cmd_render.cpp).
#include "cli/cli.h"

#include "core/analysis/track_listing.h"
#include "core/analysis/track_measures.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

namespace nuvrel::cli {

namespace {

std::string duration(double seconds) {
    const long long s = std::llabs(static_cast<long long>(seconds));
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld", seconds < 0 ? "-" : "", s / 3600, (s % 3600) / 60,
                  s % 60);
    return buf;
}

std::string row(const std::string& label, double km, double seconds) {
    char speed[32] = "-";
    if (seconds != 0)
        std::snprintf(speed, sizeof speed, "%.2f", km * 3600 / seconds);
    char buf[160];
    std::snprintf(buf, sizeof buf, "%-8s %10.3f %10s %10s", label.c_str(), km, duration(seconds).c_str(), speed);
    return buf;
}

} // namespace

int runMeasures(Context& ctx) {
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 1)
        throw UsageError{"expects one data file"};
    IFTGarminData data(DataContext{ctx.prompts, ctx.timeZone});
    CRouteField routes;
    if (!data.load(ctx.args[0], routes))
        return 1;
    const IFTGarminTrack* track = data.track();
    if (!track || track->count() == 0) {
        ctx.out << "no track log\n";
        return 0;
    }
    ctx.out << "segment  distance[km]   time     speed[km/h]\n";
    // The segments that exist, numbered as far as the track list goes (a
    // file may claim any last number).
    const std::uint32_t count = std::min(track->segmentCount(), kMaxSegmentNumber);
    for (std::uint32_t n = 1; n <= count; ++n) {
        int first = -1, last = -1;
        track->segmentRange(static_cast<int>(n), first, last);
        if (first == -1 || last == -1)
            continue;
        ctx.out << row(std::to_string(n), segmentDistance(*track, static_cast<int>(n)),
                       segmentTime(*track, static_cast<int>(n)))
                << '\n';
    }
    const auto points = track->points();
    ctx.out << row("total", distance(points, 0, track->count()), timeSpan(points, 0, track->count())) << '\n';
    return 0;
}

#ifndef NUVREL_CLI_RENDER
// Built without the GUI libraries: there is no renderer.
int runRender(Context& ctx) {
    ctx.err << "render: this nuvrel-cli was built without the map renderer (NUVREL_BUILD_GUI=OFF)\n";
    return 1;
}
#endif

} // namespace nuvrel::cli

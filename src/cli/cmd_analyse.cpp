// analyse: the track summary of a data file's track log and the flight
// analysis, as the Track Summary and Flight Analysis windows show them;
// optionally the track detail rows of one segment.
#include "cli/cli.h"

#include "core/analysis/flight_analysis.h"
#include "core/analysis/track_listing.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"

#include <cstdio>
#include <ostream>
#include <string>

namespace nuvrel::cli {

namespace {

int parseInt(const std::string& text, const std::string& what) {
    std::size_t used = 0;
    int v = 0;
    try {
        v = std::stoi(text, &used);
    } catch (...) {
        used = 0;
    }
    if (used == 0 || used != text.size())
        throw UsageError{what + " expects a whole number, not \"" + text + "\""};
    return v;
}

void printRow(std::ostream& out, const std::string* cells, std::size_t count, const int* widths) {
    std::string line;
    for (std::size_t c = 0; c < count; ++c) {
        std::string cell = cells[c];
        if (c + 1 < count && static_cast<int>(cell.size()) < widths[c])
            cell.append(static_cast<std::size_t>(widths[c]) - cell.size(), ' ');
        line += (c ? "  " : "") + cell;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    out << line << '\n';
}

} // namespace

int runAnalyse(Context& ctx) {
    const std::string segmentText = ctx.takeOption("--segment");
    const std::string segmentsText = ctx.takeOption("--segments");
    const std::string detailText = ctx.takeOption("--detail");
    const bool totalTime = ctx.takeFlag("--total-time");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 1)
        throw UsageError{"expects one data file"};
    if (!segmentText.empty() && !segmentsText.empty())
        throw UsageError{"--segment and --segments exclude each other"};
    const int segment = segmentText.empty() ? -1 : parseInt(segmentText, "--segment");
    int top = 0, bottom = 0;
    if (!segmentsText.empty()) {
        const auto dash = segmentsText.find('-', 1);
        if (dash == std::string::npos)
            throw UsageError{"--segments expects TOP-BOTTOM, e.g. 1-3"};
        top = parseInt(segmentsText.substr(0, dash), "--segments");
        bottom = parseInt(segmentsText.substr(dash + 1), "--segments");
    }
    const int detail = detailText.empty() ? 0 : parseInt(detailText, "--detail");

    IFTGarminData data(DataContext{ctx.prompts, ctx.timeZone});
    CRouteField routes;
    if (!data.load(ctx.args[0], routes))
        return 1;
    const IFTGarminTrack* track = data.track();
    if (!track || track->count() == 0) {
        ctx.out << "no track log\n";
        return 0;
    }
    auto& out = ctx.out;

    out << "Track Summary\n";
    const int listWidths[] = {9, 9, 9, 9};
    printRow(out, kTrackListHeader.data(), kTrackListHeader.size(), listWidths);
    for (const auto& row : trackListRows(*track))
        printRow(out, row.data(), row.size(), listWidths);

    // Which flight: the whole log, one segment (as from the detail window), or
    // the rows top..bottom of the summary.
    FlightRange range;
    std::string what;
    if (!segmentText.empty()) {
        range = detectFlight(*track, segment, kFlightThresholdKmh);
        what = "segment " + std::to_string(segment);
    } else if (!segmentsText.empty()) {
        range = flightOfSegments(*track, top, bottom);
        what = "segments " + std::to_string(top) + " to " + std::to_string(bottom);
    } else {
        range = detectFlight(*track, -1, kFlightThresholdKmh);
        what = "whole log";
    }
    const FlightAnalysis a = analyseFlight(*track, range);
    out << "\nFlight Analysis (" << what << ")\n";
    out << "take-off: point " << (a.range.takeOff + 1) << " at "
        << pointTimeText(track->unixTime(a.range.takeOff) - data.timeOffset()) << "\n";
    out << "landing:  point " << (a.range.landing + 1) << " at "
        << pointTimeText(track->unixTime(a.range.landing) - data.timeOffset()) << "\n";
    const int analysisWidths[] = {16, 0};
    for (const auto& [caption, value] : flightAnalysisRows(a)) {
        const std::string cells[] = {caption, value};
        printRow(out, cells, 2, analysisWidths);
    }

    if (!detailText.empty()) {
        const int n = detail;
        out << "\nTrack Detail (segment " << n << ")\n";
        const int detailWidths[] = {8, 8, 9, 9, 9, 19, 13, 13};
        printRow(out, kTrackDetailHeader.data(), kTrackDetailHeader.size(), detailWidths);
        const auto rows = trackDetailRows(*track, n, data.timeOffset(), totalTime);
        if (rows.empty())
            out << "(segment " << n << " is not in the track log)\n";
        for (const auto& row : rows)
            printRow(out, row.data(), row.size(), detailWidths);
    }
    return 0;
}

} // namespace nuvrel::cli

#include "core/analysis/print_summary.h"

#include "core/analysis/flight_analysis.h"
#include "core/analysis/track_listing.h"
#include "core/analysis/track_measures.h"
#include "core/data/ift_garmin_track.h"

#include <algorithm>
#include <cstdio>

namespace nuvrel {

namespace {

std::string fixed2(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%6.2f", v);
    return buf;
}

} // namespace

int longestSegment(const IFTGarminTrack& track) {
    const std::uint32_t count = std::min(track.segmentCount(), kMaxSegmentNumber);
    const auto points = track.points();
    int best = 1;
    double bestDistance = segmentDistance(track, 1);
    if (track.segmentsInOrder()) {
        // One walk: every segment is one run of equal numbers.
        std::size_t i = 0;
        while (i < points.size()) {
            const std::int16_t n = points[i].segment;
            std::size_t j = i;
            while (j + 1 < points.size() && points[j + 1].segment == n)
                ++j;
            if (n >= 2 && static_cast<std::uint32_t>(n) <= count) {
                const double d = distance(points, static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j));
                if (d > bestDistance) {
                    best = n;
                    bestDistance = d;
                }
            }
            i = j + 1;
        }
        return best;
    }
    for (std::uint32_t n = 2; n <= count; ++n) {
        const double d = segmentDistance(track, static_cast<int>(n));
        if (d > bestDistance) {
            best = static_cast<int>(n);
            bestDistance = d;
        }
    }
    return best;
}

std::vector<PrintSummaryLine> printSummaryLines(const IFTGarminTrack& track, std::int32_t timeOffset) {
    std::vector<PrintSummaryLine> lines;
    if (track.count() == 0)
        return lines;
    const auto time = [&](int k) {
        // A segment that does not occur has no points to show.
        if (k < 0 || static_cast<std::uint32_t>(k) >= track.count())
            return std::string("-");
        return pointTimeText(track.unixTime(static_cast<std::size_t>(k)) - timeOffset);
    };
    const int best = longestSegment(track);
    int first = -1, last = -1;
    track.segmentRange(best, first, last);
    if (first == -1)
        last = -1;
    const double bestDistance = segmentDistance(track, best);
    const double bestTime = segmentTime(track, best);
    lines.push_back({2, "** <Longest Track> **", ""});
    lines.push_back({1, "Take Off :", time(first)});
    lines.push_back({1, "Landing :", time(last)});
    lines.push_back({1, "Distance[km] :", fixed2(bestDistance)});
    lines.push_back({1, "Time :", airTimeText(bestTime)});
    // A segment without duration has no speed.
    lines.push_back({1, "Average Speed[km/h] :", bestTime != 0 ? fixed2(bestDistance * 3600 / bestTime) : "-"});
    const std::uint32_t n = track.count();
    lines.push_back({2, "** <Total> **", ""});
    lines.push_back({1, "Take Off :", time(0)});
    lines.push_back({1, "Landing :", time(static_cast<int>(n - 1))});
    lines.push_back({1, "Distance[km] :", fixed2(distance(track.points(), 0, n))});
    lines.push_back({1, "Time :", airTimeText(timeSpan(track.points(), 0, n))});
    return lines;
}

} // namespace nuvrel

#include "core/analysis/track_listing.h"

#include "core/analysis/track_measures.h"
#include "core/data/ift_garmin_track.h"
#include "core/geo/angle_text.h"

#include <algorithm>
#include <cstdio>

namespace nuvrel {

const TrackListRow kTrackListHeader = {"Track No.", "Dist[km]", "Time[s]", "Vel[km/h]"};
const TrackDetailRow kTrackDetailHeader = {"Point No", "Dist[km]", "Time[s]",  "Vel[km/h]",
                                           "dir[deg]", "TIME",     "Latitude", "Longitude"};

namespace {

constexpr std::uint32_t kNone = static_cast<std::uint32_t>(-1);

std::string printf1(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

// Per segment number, what the track log's segment walk gives: the first
// index carrying the number before any larger number occurs, and the index
// before the first larger number (or the last index). One pass over the log
// instead of one walk per segment.
class SegmentRanges {
public:
    SegmentRanges(std::span<const TrackPoint> points, std::uint32_t maxSegment) {
        const std::size_t n = points.size();
        firstEqual_.assign(maxSegment + 1, kNone);
        firstGreater_.assign(maxSegment + 1, static_cast<std::uint32_t>(n));
        // firstGreater(s) is the first index where the running maximum of the
        // segment numbers exceeds s: non-decreasing in s.
        int runningMax = -32769;
        for (std::size_t i = 0; i < n; ++i) {
            const int seg = points[i].segment;
            if (seg >= 0 && static_cast<std::uint32_t>(seg) <= maxSegment &&
                firstEqual_[static_cast<std::size_t>(seg)] == kNone)
                firstEqual_[static_cast<std::size_t>(seg)] = static_cast<std::uint32_t>(i);
            if (seg > runningMax) {
                // Every s in [runningMax .. seg - 1] first sees a larger number here.
                const int from = std::max(runningMax, 0);
                for (int s = from; s < seg && static_cast<std::uint32_t>(s) <= maxSegment; ++s)
                    firstGreater_[static_cast<std::size_t>(s)] = static_cast<std::uint32_t>(i);
                runningMax = seg;
            }
        }
    }
    // First and last index of segment s (first == kNone when missing).
    void range(std::uint32_t s, std::uint32_t& first, std::uint32_t& last) const {
        first = firstEqual_[s];
        if (first != kNone && first >= firstGreater_[s])
            first = kNone;
        last = first == kNone ? kNone : firstGreater_[s] - 1;
    }

private:
    std::vector<std::uint32_t> firstEqual_;
    std::vector<std::uint32_t> firstGreater_;
};

} // namespace

std::vector<TrackListRow> trackListRows(const IFTGarminTrack& track) {
    const auto points = track.points();
    // Rows up to the last segment a point is in: a file may claim more.
    std::uint32_t highest = 0;
    for (const TrackPoint& p : points)
        highest = std::max(highest, std::uint32_t(std::max<std::int16_t>(p.segment, 0)));
    const std::uint32_t n = std::min({track.segmentCount(), kMaxSegmentNumber, highest});
    std::vector<TrackListRow> rows;
    rows.reserve(n + 1);
    const SegmentRanges ranges(points, n);
    for (std::uint32_t s = 1; s <= n; ++s) {
        std::uint32_t first = kNone, last = kNone;
        ranges.range(s, first, last);
        const double km = first == kNone ? 0 : distance(points, first, last);
        const double seconds = first == kNone ? 0 : timeSpan(points, first, last);
        rows.push_back({std::to_string(s), printf1("%9.3f", km), printf1("%9.1f", seconds),
                        seconds > 0 ? printf1("%9.1f", km * 3600 / seconds) : std::string("-")});
    }
    rows.push_back({"TOTAL", printf1("%9.3f", distance(points, 0, track.count())), "", ""});
    return rows;
}

DetailRange detailRange(const IFTGarminTrack& track, int n) {
    int first = -1, last = -1;
    track.segmentRange(n, first, last);
    if (first < 0 || last < first)
        return {};
    return {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last - first + 1)};
}

TrackDetailRow trackDetailRow(const IFTGarminTrack& track, std::uint32_t first, std::uint32_t q,
                              std::int32_t timeOffset, bool totalTime) {
    const auto points = track.points();
    const std::uint32_t prev = q - 1; // -1 for point 0: the measures then take 0 .. 0
    const double km = distance(points, prev, q);
    const double leg = timeSpan(points, prev, q);
    char lat[32], lon[32];
    formatDMS(roundMicro(track.latitude(q)), lat, sizeof lat);
    formatDMS(roundMicro(track.longitude(q)), lon, sizeof lon);
    return {std::to_string(static_cast<std::uint64_t>(q) + 1),
            printf1("%7.3f", km),
            printf1("%9.1f", totalTime ? timeSpan(points, first, q) : leg),
            leg > 0 ? printf1("%9.1f", km * 3600 / leg) : std::string("-"),
            printf1("%9.1f", bearing(points, prev, q)),
            pointTimeText(track.unixTime(q) - timeOffset),
            lat,
            lon};
}

std::vector<TrackDetailRow> trackDetailRows(const IFTGarminTrack& track, int n, std::int32_t timeOffset,
                                            bool totalTime) {
    const DetailRange r = detailRange(track, n);
    std::vector<TrackDetailRow> rows;
    rows.reserve(r.count);
    for (std::uint32_t i = 0; i < r.count; ++i)
        rows.push_back(trackDetailRow(track, r.first, r.first + i, timeOffset, totalTime));
    return rows;
}

void appendTrackDetailCopyLine(std::string& out, const TrackDetailRow& row) {
    for (int c = 1; c < kTrackDetailColumns; ++c) {
        if (c > 1)
            out += '\t';
        out += row[static_cast<std::size_t>(c)];
    }
    out += '\n';
}

std::string trackDetailCopyText(const std::vector<TrackDetailRow>& rows) {
    std::string out;
    for (const TrackDetailRow& row : rows)
        appendTrackDetailCopyLine(out, row);
    return out;
}

std::string pointTimeText(std::int64_t t) {
    // Days and seconds of the day, flooring toward the past.
    std::int64_t days = t / 86400, secs = t % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian).
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d %04lld/%02d/%02d", static_cast<int>(secs / 3600),
                  static_cast<int>(secs % 3600 / 60), static_cast<int>(secs % 60), static_cast<long long>(year),
                  static_cast<int>(month), static_cast<int>(day));
    return buf;
}

} // namespace nuvrel

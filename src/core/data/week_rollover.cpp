#include "core/data/week_rollover.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace nuvrel {

namespace {
constexpr std::int64_t kFutureSlack = 86400; // a day: the computer's clock may be behind
} // namespace

int detectRollover(std::span<const TrackPoint> points, std::int64_t now) {
    std::uint32_t newest = 0;
    for (const TrackPoint& p : points)
        newest = std::max(newest, p.time);
    if (newest == 0)
        return 0;
    const std::int64_t behind = now - (std::int64_t(newest) + kReceiverEpochOffset);
    for (int weeks : {kRolloverWeeks, 2 * kRolloverWeeks}) {
        // off: how far the corrected log would end before the clock; never
        // more than a day after it.
        const std::int64_t off = behind - weeks * kWeekSeconds;
        if (off >= -kFutureSlack && off <= kRolloverSlack)
            return weeks;
    }
    return 0;
}

bool shiftTrackWeeks(IFTGarminTrack& track, int weeks) {
    const std::int64_t shift = std::int64_t(weeks) * kWeekSeconds;
    std::vector<TrackPoint> points(track.points().begin(), track.points().end());
    for (TrackPoint& p : points) {
        if (p.time == 0)
            continue;
        const std::int64_t t = std::int64_t(p.time) + shift;
        if (t <= 0 || t > std::numeric_limits<std::uint32_t>::max())
            return false;
        p.time = static_cast<std::uint32_t>(t);
    }
    const std::uint32_t segments = track.segmentCount();
    track = IFTGarminTrack(std::move(points));
    track.setSegmentCount(segments);
    track.setModified(1);
    return true;
}

std::string rolloverQuestion(int weeks) {
    return "The receiver's dates are " + std::to_string(weeks) + " weeks behind. Correct them?";
}

} // namespace nuvrel

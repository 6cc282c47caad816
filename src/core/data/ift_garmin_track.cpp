#include "core/data/ift_garmin_track.h"

#include <utility>

namespace nuvrel {

IFTGarminTrack::IFTGarminTrack(std::vector<TrackPoint> points) : points_(std::move(points)) {
    segmentCount_ = points_.empty() ? 0 : static_cast<std::uint32_t>(points_.back().segment);
}

std::int64_t IFTGarminTrack::unixTime(std::size_t i) const {
    if (i >= points_.size())
        return kReceiverEpochOffset;
    return static_cast<std::int64_t>(points_[i].time) + kReceiverEpochOffset;
}

void IFTGarminTrack::segmentRange(int s, int& first, int& last) const {
    first = -1;
    last = -1;
    const int n = static_cast<int>(points_.size());
    for (int i = 0; i < n; ++i) {
        const int seg = points_[static_cast<std::size_t>(i)].segment;
        if (seg > s) {
            if (first >= 0)
                last = i - 1;
            return;
        }
        if (seg == s && first < 0)
            first = i;
    }
    if (first >= 0)
        last = n - 1;
}

} // namespace nuvrel

#include "core/data/ift_garmin_track.h"

#include <algorithm>
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

bool IFTGarminTrack::segmentsInOrder() const {
    for (std::size_t i = 1; i < points_.size(); ++i)
        if (points_[i].segment < points_[i - 1].segment)
            return false;
    return true;
}

std::vector<IFTGarminTrack::SegmentRun> IFTGarminTrack::segmentRuns() const {
    std::vector<SegmentRun> runs;
    const bool ordered = segmentsInOrder();
    std::size_t cursor = 0;
    const std::uint32_t count = std::min<std::uint32_t>(segmentCount_, 32767);
    for (std::uint32_t n = 1; n <= count; ++n) {
        const int s = static_cast<int>(n);
        int first = -1, last = -1;
        if (ordered) {
            while (cursor < points_.size() && points_[cursor].segment < s)
                ++cursor;
            if (cursor < points_.size() && points_[cursor].segment == s) {
                first = static_cast<int>(cursor);
                while (cursor < points_.size() && points_[cursor].segment == s)
                    ++cursor;
                last = static_cast<int>(cursor) - 1;
            }
        } else {
            segmentRange(s, first, last);
        }
        if (first == -1 || last == -1)
            break;
        runs.push_back({first, last});
    }
    return runs;
}

} // namespace nuvrel

// The track log: a flat array of track points, filled in one piece and
// replaced in one piece.
#pragma once

#include "core/data/records.h"

#include <cstdint>
#include <span>
#include <vector>

namespace nuvrel {

class IFTGarminTrack {
public:
    IFTGarminTrack() = default;
    // Takes the points as they are; segmentCount becomes the last point's
    // segment number (0 when empty).
    explicit IFTGarminTrack(std::vector<TrackPoint> points);

    std::uint32_t count() const { return static_cast<std::uint32_t>(points_.size()); }
    std::uint32_t segmentCount() const { return segmentCount_; }
    void setSegmentCount(std::uint32_t n) { segmentCount_ = n; }

    // 1 after a download from the receiver; 0 once written to the data file.
    int modified() const { return modified_; }
    void setModified(int m) { modified_ = m; }

    std::span<const TrackPoint> points() const { return points_; }
    const TrackPoint& point(std::size_t i) const { return points_[i]; }

    double latitude(std::size_t i) const { return points_[i].latitude; }
    double longitude(std::size_t i) const { return points_[i].longitude; }
    double altitude(std::size_t i) const { return points_[i].altitude; }
    std::int16_t segment(std::size_t i) const { return points_[i].segment; }
    // time + 631065600; 631065600 for any index when the log is empty.
    std::int64_t unixTime(std::size_t i) const;

    // First and last index of the points of segment s; first is -1 when no
    // point carries s (both -1 when the log is empty).
    void segmentRange(int s, int& first, int& last) const;

    // True when no point's segment number is below the one before it, as in
    // every log a receiver sends.
    bool segmentsInOrder() const;

    // The point ranges of segments 1, 2, ... as they are drawn: up to the
    // first number no point carries, and no further than segmentCount (nor
    // 32767, the last number a point can carry). A log in order is walked once.
    struct SegmentRun {
        int first;
        int last;
    };
    std::vector<SegmentRun> segmentRuns() const;

    // Projection for drawing: (latitude - origin) * scale, (longitude - origin) * scale.
    double projectLatitude(std::size_t i, double origin, double scale) const {
        return (points_[i].latitude - origin) * scale;
    }
    double projectLongitude(std::size_t i, double origin, double scale) const {
        return (points_[i].longitude - origin) * scale;
    }

    // Bytes of this log's section in the native data file.
    std::uint64_t fileSize() const { return 8 + 32ull * points_.size(); }

private:
    friend class NativeFile;
    std::vector<TrackPoint> points_;
    std::uint32_t segmentCount_ = 0;
    int modified_ = 0;
};

} // namespace nuvrel

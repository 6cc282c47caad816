#include "core/analysis/position_mark.h"

#include "core/analysis/track_measures.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/ift_garmin_track.h"
#include "core/map/ift_map_param.h"

#include <algorithm>
#include <cmath>

namespace nuvrel {

std::vector<int> frameSequence(int count) {
    std::vector<int> seq;
    if (count <= 0)
        return seq;
    for (int f = 0; f < count; ++f)
        seq.push_back(f);
    for (int f = count - 2; f >= 1; --f)
        seq.push_back(f);
    return seq;
}

FrameTurn::FrameTurn(int degrees, int size) : centre_(size / 2), max_(size - 1) {
    const double theta = degrees * 6.283185308 / 360;
    s_ = std::sin(theta);
    c_ = std::cos(theta);
}

FrameTurn::Target FrameTurn::operator()(int i, int j) const {
    const double di = i - centre_, dj = j - centre_;
    const int u = static_cast<int>(c_ * di - s_ * dj + centre_ + 0.5);
    const int v = static_cast<int>(s_ * di + c_ * dj + centre_ + 0.5);
    return {std::clamp(u, 0, max_), std::clamp(v, 0, max_)};
}

bool FrameTurn::source(int u, int v, int& i, int& j) const {
    const double du = u - centre_, dv = v - centre_;
    const double si = c_ * du + s_ * dv + centre_, sj = -s_ * du + c_ * dv + centre_;
    if (si < -0.5 || sj < -0.5 || si >= max_ + 0.5 || sj >= max_ + 0.5)
        return false;
    i = std::clamp(static_cast<int>(std::floor(si + 0.5)), 0, max_);
    j = std::clamp(static_cast<int>(std::floor(sj + 0.5)), 0, max_);
    return true;
}

int markHeading(std::span<const TrackPoint> points, std::uint32_t i) {
    const double b = bearing(points, i, i + 1);
    return std::isfinite(b) ? static_cast<int>(b) : 0;
}

MarkPixel livePositionPixel(const IFTGarminData& data, const IFTMapParam& param, double latitude,
                            double longitude) {
    const int w = std::max(param.bitmap_width, 0), h = std::max(param.bitmap_height, 0);
    const Pixel p = ViewTransform::of(data, param).PositionToPixel(latitude, longitude);
    return {std::clamp(p.x, 0, w), std::clamp(p.y, 0, h)};
}

std::optional<TrackPlaybackCursor::Step> TrackPlaybackCursor::next(const IFTGarminTrack* track) {
    if (!track || index_ >= track->count())
        return std::nullopt;
    const std::uint32_t i = index_++;
    return Step{i, track->latitude(i), track->longitude(i), markHeading(track->points(), i)};
}

} // namespace nuvrel

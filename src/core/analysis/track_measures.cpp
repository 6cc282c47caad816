#include "core/analysis/track_measures.h"

#include "core/data/ift_garmin_track.h"

#include <cmath>

namespace nuvrel {

namespace {

constexpr double kPi = 3.14159265359;
constexpr double kRadius = 6377397.155; // metres
constexpr double kKmPerDegLat = 2 * kPi * kRadius * (1.0 / 360) * 0.001;

// The range normalisation shared by the measures; false for an empty log.
bool normalise(std::size_t count, std::uint32_t& from, std::uint32_t& to) {
    if (count == 0)
        return false;
    if (to >= count)
        to = static_cast<std::uint32_t>(count - 1);
    if (from > to)
        from = 0;
    return true;
}

// Circumference of the parallel at latitude phi, metres.
double parallel(double phi) { return 2 * kPi * kRadius * std::sin((90 - phi) * (1.0 / 360) * 2 * kPi); }

double radians(double degrees) { return degrees * kPi * (1.0 / 180); }

} // namespace

double distance(std::span<const TrackPoint> points, std::uint32_t from, std::uint32_t to) {
    if (!normalise(points.size(), from, to))
        return 0;
    double sum = 0;
    for (std::uint32_t i = from; i < to; ++i) {
        const TrackPoint& a = points[i];
        const TrackPoint& b = points[i + 1];
        const double kmPerDegLon = (parallel(b.latitude) + parallel(a.latitude)) * 0.5 * (1.0 / 360) * 0.001;
        const double dx = (b.longitude - a.longitude) * kmPerDegLon;
        const double dy = (b.latitude - a.latitude) * kKmPerDegLat;
        sum += std::sqrt(dx * dx + dy * dy);
    }
    return sum;
}

double timeSpan(std::span<const TrackPoint> points, std::uint32_t from, std::uint32_t to) {
    if (!normalise(points.size(), from, to))
        return 0;
    return static_cast<std::int32_t>(points[to].time - points[from].time);
}

double bearing(std::span<const TrackPoint> points, std::uint32_t from, std::uint32_t to) {
    if (!normalise(points.size(), from, to))
        return 0;
    const double p1 = radians(points[from].latitude), l1 = radians(points[from].longitude);
    const double p2 = radians(points[to].latitude), l2 = radians(points[to].longitude);
    if (std::fabs(l1 - l2) < 1e-9)
        return p2 > p1 ? 0 : 180;
    const double c = std::tan(p2) * std::cos(p1) / std::sin(l2 - l1) - std::sin(p1) / std::tan(l2 - l1);
    const double theta = 90 - std::atan(c) / kPi * 180;
    return l2 >= l1 ? theta : theta + 180;
}

double segmentDistance(const IFTGarminTrack& track, int n) {
    int first = -1, last = -1;
    track.segmentRange(n, first, last);
    if (first == -1 || last == -1)
        return 0;
    return distance(track.points(), static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last));
}

double segmentTime(const IFTGarminTrack& track, int n) {
    int first = -1, last = -1;
    track.segmentRange(n, first, last);
    if (first == -1 || last == -1)
        return 0;
    return timeSpan(track.points(), static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last));
}

} // namespace nuvrel

#include "core/geo/spherical_distance.h"

#include <algorithm>
#include <cmath>

namespace nuvrel {

double SphericalDistance(double latitude1, double longitude1, double latitude2, double longitude2) {
    constexpr double kPi = 3.14159265359;
    constexpr double kRadius = 6377397.155;
    const double p1 = latitude1 * kPi / 180, l1 = longitude1 * kPi / 180;
    const double p2 = latitude2 * kPi / 180, l2 = longitude2 * kPi / 180;
    const double c = std::cos(l2 - l1) * std::cos(p2) * std::cos(p1) + std::sin(p2) * std::sin(p1);
    // Rounding can push the cosine of a zero angle just above 1.
    return std::acos(std::clamp(c, -1.0, 1.0)) * kRadius * 0.001;
}

} // namespace nuvrel

// Rules every written position follows, whatever the format.
#pragma once

#include <cmath>

namespace nuvrel {

// A longitude in [-180, 180): a datum shift near the antimeridian can carry
// a position just past it.
inline double NormalLongitude(double longitude) {
    if (!std::isfinite(longitude) || (longitude >= -180.0 && longitude < 180.0))
        return longitude;
    double l = std::fmod(longitude + 180.0, 360.0);
    if (l < 0)
        l += 360.0;
    l -= 180.0;
    return l >= 180.0 ? -180.0 : l;
}

// The altitude receivers send when they know none: -9999 m (an altitude below
// it, or not a number, is turned into it on download).
inline constexpr double kUnknownAltitude = -9999.0;

// Whether a WGS-84 height is a real altitude rather than the receiver's
// "unknown" (within half a metre, for what a datum round trip leaves of it).
inline bool KnownAltitude(double metres) { return std::isfinite(metres) && metres > kUnknownAltitude + 0.5; }

} // namespace nuvrel

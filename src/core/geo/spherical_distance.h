// Great-circle distance on the sphere of the Bessel 1841 semi-major axis.
#pragma once

namespace nuvrel {

// Kilometres between two positions given in degrees; 0 for equal points.
double SphericalDistance(double latitude1, double longitude1, double latitude2, double longitude2);

} // namespace nuvrel

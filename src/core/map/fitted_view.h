// The view fitted to the data when no map is loaded: a blank picture of the
// window's size whose edges enclose the track log (or the waypoints, or the
// routes) with a margin.
#pragma once

#include "core/map/ift_map_param.h"

#include <string>

namespace nuvrel {

class IFTGarminData;
class CRouteField;

struct GeoBox {
    double top = 0;
    double bottom = 0;
    double left = 0;
    double right = 0;
};

// The box over every entry of every route, widened by 10 % of its extent on
// each side; false when there is no route or the box is empty.
bool RouteExtent(const CRouteField& routes, GeoBox& box);

// Widens the longitude or the latitude range so that a picture of
// clientWidth x clientHeight pixels has the same kilometres per pixel in both
// directions. Leaves the box as it is when its distances are degenerate.
void KeepAspect(GeoBox& box, int clientWidth, int clientHeight);

// The two distances the fitted view shows: along the top edge and down the
// left edge, in kilometres.
struct FittedDistances {
    double horizontalKm = 0;
    double verticalKm = 0;
};

// "0.00km": two decimals, rounded.
std::string DistanceLabel(double km);

// Builds the fitted view: the data's extent (else the routes'), the aspect
// correction when keepAspect, then the box goes into param's edges, the size
// becomes the client size (at least 1 x 1) and the view transform is set.
// Returns false and changes nothing when there is nothing to fit.
bool FitViewToData(IFTGarminData& data, const CRouteField* routes, bool keepAspect, int clientWidth,
                   int clientHeight, IFTMapParam& param, FittedDistances& distances);

} // namespace nuvrel

#include "core/map/fitted_view.h"

#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "core/geo/map_datum.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace nuvrel {

bool RouteExtent(const CRouteField& routes, GeoBox& box) {
    if (routes.RouteCount() == 0)
        return false;
    double maxLat = -999, minLat = 999, maxLon = -999, minLon = 999;
    for (const auto& route : routes.routes())
        for (const auto& e : route.entries) {
            maxLat = std::max(maxLat, e.latitude);
            minLat = std::min(minLat, e.latitude);
            maxLon = std::max(maxLon, e.longitude);
            minLon = std::min(minLon, e.longitude);
        }
    if (!(maxLat > minLat && minLon < maxLon))
        return false;
    const double latMargin = (maxLat - minLat) * 0.1;
    const double lonMargin = (maxLon - minLon) * 0.1;
    box = {maxLat + latMargin, minLat - latMargin, minLon - lonMargin, maxLon + lonMargin};
    return true;
}

void KeepAspect(GeoBox& box, int clientWidth, int clientHeight) {
    const double w = MapDatum::SphericalDistance(box.top, box.left, box.top, box.right);
    const double h = MapDatum::SphericalDistance(box.top, box.left, box.bottom, box.left);
    if (!(w > 0) || !(h > 0) || clientWidth < 1 || clientHeight < 1)
        return;
    const double ratio = (clientWidth / w) / (clientHeight / h);
    if (!std::isfinite(ratio))
        return;
    if (ratio >= 1) {
        const double g = (box.right - box.left) * (ratio - 1) * 0.5;
        box.left -= g;
        box.right += g;
    } else {
        const double ratio2 = (w / clientWidth) / (h / clientHeight);
        const double g = (box.top - box.bottom) * (ratio2 - 1) * 0.5;
        box.top += g;
        box.bottom -= g;
    }
}

std::string DistanceLabel(double km) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2fkm", km);
    return buf;
}

bool FitViewToData(IFTGarminData& data, const CRouteField* routes, bool keepAspect, int clientWidth,
                   int clientHeight, IFTMapParam& param, FittedDistances& distances) {
    GeoBox box;
    if (!data.DataExtent(box.top, box.bottom, box.left, box.right)) {
        if (!routes || !RouteExtent(*routes, box))
            return false;
    }
    clientWidth = std::max(clientWidth, 1);
    clientHeight = std::max(clientHeight, 1);
    if (keepAspect)
        KeepAspect(box, clientWidth, clientHeight);
    IFTMapParam fitted = param;
    fitted.projection = nullptr; // edges linear in latitude and longitude
    fitted.ido_top = box.top;
    fitted.ido_bottom = box.bottom;
    fitted.kei_left = box.left;
    fitted.kei_right = box.right;
    fitted.bitmap_width = clientWidth;
    fitted.bitmap_height = clientHeight;
    if (!SetViewTransform(fitted, data))
        return false;
    param = fitted;
    distances.horizontalKm = MapDatum::SphericalDistance(box.top, box.left, box.top, box.right);
    distances.verticalKm = MapDatum::SphericalDistance(box.top, box.left, box.bottom, box.left);
    return true;
}

} // namespace nuvrel

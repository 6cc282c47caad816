#include "core/data/ift_garmin_data.h"

#include "core/data/native_file.h"
#include "core/time_zone.h"

#include <algorithm>
#include <utility>

namespace nuvrel {

IFTGarminData::IFTGarminData(DataContext context) : context_(std::move(context)) {
    if (!context_.displayDefault)
        context_.displayDefault = [] { return std::int16_t{0}; };
}

void IFTGarminData::setTrack(std::unique_ptr<IFTGarminTrack> track) {
    track_.reset();
    track_ = std::move(track);
}

void IFTGarminData::setWaypoints(std::unique_ptr<IFTGarminWaypoint> waypoints) {
    waypoints_.reset();
    waypoints_ = std::move(waypoints);
}

void IFTGarminData::release() {
    track_.reset();
    waypoints_.reset();
}

void IFTGarminData::resetTimeOffset() { timeOffset_ = TimeOffsetFor(context_.timeZone.read()); }

namespace {

struct Box {
    double minLat = 0, maxLat = 0, minLon = 0, maxLon = 0;
};

template <typename Records>
Box boxOf(const Records& records) {
    Box b;
    b.minLat = b.maxLat = records[0].latitude;
    b.minLon = b.maxLon = records[0].longitude;
    for (const auto& r : records) {
        // Copies: waypoint records are packed, their doubles not 8-aligned.
        const double lat = r.latitude;
        const double lon = r.longitude;
        b.minLat = std::min(b.minLat, lat);
        b.maxLat = std::max(b.maxLat, lat);
        b.minLon = std::min(b.minLon, lon);
        b.maxLon = std::max(b.maxLon, lon);
    }
    return b;
}

} // namespace

int IFTGarminData::DataExtent(double& top, double& bottom, double& left, double& right) const {
    if (!track_ && !waypoints_)
        return 0;
    Box b;
    if (track_ && track_->count() > 0)
        b = boxOf(track_->points());
    if ((b.minLat >= b.maxLat || b.minLon >= b.maxLon) && waypoints_ && waypoints_->count() > 0)
        b = boxOf(waypoints_->records());

    if (b.maxLat > b.minLat) {
        top = b.maxLat + 0.1 * (b.maxLat - b.minLat);
        bottom = b.minLat - 0.1 * (top - b.minLat);
    } else {
        top = 90;
        bottom = -90;
    }
    if (b.maxLon > b.minLon) {
        right = b.maxLon + 0.1 * (b.maxLon - b.minLon);
        left = b.minLon - 0.1 * (right - b.minLon);
    } else {
        right = 180;
        left = -180;
    }
    return (top != 90 && bottom != -90 && left != -180 && right != 180) ? 1 : 0;
}

bool IFTGarminData::save(const std::string& path, const CRouteField* routes) {
    return NativeFile::save(path, *this, routes);
}

int IFTGarminData::load(const std::string& path, CRouteField& routes) {
    return NativeFile::load(path, *this, routes).read;
}

} // namespace nuvrel

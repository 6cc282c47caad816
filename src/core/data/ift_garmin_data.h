// The data set: the track log, the waypoint store, the time offset that
// receiver times are shown with, and the projection of the shown map. Also
// reads and writes the native data file (".nvl").
#pragma once

#include "core/data/ift_garmin_track.h"
#include "core/data/ift_garmin_waypoint.h"
#include "core/data/route_store.h"
#include "core/platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace nuvrel {

// What the data set needs from the rest of the program.
struct DataContext {
    UserPrompts& prompts;
    TimeZoneSource& timeZone;
    // The display option given to waypoints created without one: 3 when the
    // selected receiver's waypoint format is D104, else 0.
    std::function<std::int16_t()> displayDefault = [] { return std::int16_t{0}; };
};

class IFTGarminData {
public:
    explicit IFTGarminData(DataContext context);

    IFTGarminTrack* track() { return track_.get(); }
    const IFTGarminTrack* track() const { return track_.get(); }
    IFTGarminWaypoint* waypoints() { return waypoints_.get(); }
    const IFTGarminWaypoint* waypoints() const { return waypoints_.get(); }

    // Replace the stores (the old one is released first). These only swap
    // the store: a caller that builds a track log from a file or the
    // receiver, or a waypoint store from a file, then calls resetTimeOffset
    // (the native data file reader sets the offset itself).
    void setTrack(std::unique_ptr<IFTGarminTrack> track);
    void setWaypoints(std::unique_ptr<IFTGarminWaypoint> waypoints);
    void releaseTrack() { track_.reset(); }
    void releaseWaypoints() { waypoints_.reset(); }
    void release();
    void resetTimeOffset();

    std::int32_t timeOffset() const { return timeOffset_; }
    void setTimeOffset(std::int32_t seconds) { timeOffset_ = seconds; }

    double viewBottomLatitude() const { return viewBottomLatitude_; }
    double viewLatitudeScale() const { return viewLatitudeScale_; }
    double viewLeftLongitude() const { return viewLeftLongitude_; }
    double viewLongitudeScale() const { return viewLongitudeScale_; }
    void setViewBottomLatitude(double v) { viewBottomLatitude_ = v; }
    void setViewLatitudeScale(double v) { viewLatitudeScale_ = v; }
    void setViewLeftLongitude(double v) { viewLeftLongitude_ = v; }
    void setViewLongitudeScale(double v) { viewLongitudeScale_ = v; }

    // Projection with the view fields: y up from the bottom edge, x from the left.
    double projectY(double latitude) const { return (latitude - viewBottomLatitude_) * viewLatitudeScale_; }
    double projectX(double longitude) const { return (longitude - viewLeftLongitude_) * viewLongitudeScale_; }
    double unprojectLatitude(double y) const { return y / viewLatitudeScale_ + viewBottomLatitude_; }
    double unprojectLongitude(double x) const { return x / viewLongitudeScale_ + viewLeftLongitude_; }

    // The region to show when no map is loaded; 1 when all four edges are
    // real (not the ±90/±180 fallbacks).
    int DataExtent(double& top, double& bottom, double& left, double& right) const;

    // Writes version 5 (to a temporary file renamed over path once complete).
    // Clears `modified` of both stores on success. Returns false and reports
    // the reason through the prompts on failure; the old file is untouched.
    bool save(const std::string& path, const CRouteField* routes);
    // Reads versions 1 to 5; returns 1 when the whole file was read and held
    // at least one section. A file that fails changes nothing.
    int load(const std::string& path, CRouteField& routes);

    std::int16_t displayDefault() const { return context_.displayDefault(); }
    DataContext& context() { return context_; }

private:
    DataContext context_;
    std::unique_ptr<IFTGarminTrack> track_;
    std::unique_ptr<IFTGarminWaypoint> waypoints_;
    std::int32_t timeOffset_ = 0;
    double viewBottomLatitude_ = 0;
    double viewLatitudeScale_ = 1;
    double viewLeftLongitude_ = 0;
    double viewLongitudeScale_ = 1;
};

} // namespace nuvrel

#include "core/map/ift_map_param.h"

#include "core/data/ift_garmin_data.h"

#include <climits>
#include <cmath>

namespace nuvrel {

bool IFTMapParam::HasUsableTransform() const {
    const double latSpan = ido_top - ido_bottom;
    const double lonSpan = kei_right - kei_left;
    if (!std::isfinite(latSpan) || !std::isfinite(lonSpan) || latSpan == 0 || lonSpan == 0)
        return false;
    if (bitmap_width < 1 || bitmap_height < 1)
        return false;
    return std::isfinite(bitmap_height / latSpan) && std::isfinite(bitmap_width / lonSpan);
}

int truncToInt(double v) {
    // Far beyond any bitmap side, and safe to add a bitmap height to.
    constexpr double kLimit = 1 << 30;
    if (std::isnan(v))
        return 0;
    if (v >= kLimit)
        return 1 << 30;
    if (v <= -kLimit)
        return -(1 << 30);
    return static_cast<int>(v);
}

namespace {

void setProjection(ViewTransform& t, const IFTMapParam& param) {
    t.projection = param.projection;
    if (!t.projection || t.projection->width() < 1 || t.projection->height() < 1) {
        t.projection = nullptr;
        return;
    }
    t.pixelsPerRasterX = double(param.bitmap_width) / t.projection->width();
    t.pixelsPerRasterY = double(param.bitmap_height) / t.projection->height();
}

// Far off any picture: a position with no place in the map's system.
constexpr int kNowhere = -(1 << 30);

} // namespace

ViewTransform ViewTransform::of(const IFTGarminData& data, const IFTMapParam& param) {
    ViewTransform t;
    t.bottomLatitude = data.viewBottomLatitude();
    t.latitudeScale = data.viewLatitudeScale();
    t.leftLongitude = data.viewLeftLongitude();
    t.longitudeScale = data.viewLongitudeScale();
    t.height = param.bitmap_height;
    setProjection(t, param);
    return t;
}

ViewTransform ViewTransform::forCalibration(const IFTMapParam& param) {
    ViewTransform t;
    t.bottomLatitude = param.ido_bottom;
    t.latitudeScale = param.bitmap_height / (param.ido_top - param.ido_bottom);
    t.leftLongitude = param.kei_left;
    t.longitudeScale = param.bitmap_width / (param.kei_right - param.kei_left);
    t.height = param.bitmap_height;
    setProjection(t, param);
    return t;
}

Pixel ViewTransform::projectedPixel(double latitude, double longitude) const {
    double x = 0, y = 0;
    if (!projection->toRaster(latitude, longitude, x, y))
        return {kNowhere, kNowhere};
    // The pixel that holds the point.
    return {truncToInt(std::floor(x * pixelsPerRasterX)) - originX,
            truncToInt(std::floor(y * pixelsPerRasterY)) - originY};
}

void ViewTransform::PixelToPosition(double x, double y, double& latitude, double& longitude) const {
    x += originX;
    y += originY;
    if (projection) {
        if (!projection->toPosition(x / pixelsPerRasterX, y / pixelsPerRasterY, latitude, longitude))
            latitude = longitude = 0;
        return;
    }
    latitude = (height - y) / latitudeScale + bottomLatitude;
    longitude = x / longitudeScale + leftLongitude;
}

void ViewTransform::MapPoint(double latitude, double longitude, double& x, double& up) const {
    if (projection) {
        double rx = 0, ry = 0;
        if (!projection->toRaster(latitude, longitude, rx, ry))
            rx = ry = kNowhere;
        x = rx * pixelsPerRasterX;
        up = height - ry * pixelsPerRasterY;
        return;
    }
    x = (longitude - leftLongitude) * longitudeScale;
    up = (latitude - bottomLatitude) * latitudeScale;
}

bool SetViewTransform(const IFTMapParam& param, IFTGarminData& data) {
    if (!param.HasUsableTransform())
        return false;
    const ViewTransform t = ViewTransform::forCalibration(param);
    data.setViewBottomLatitude(t.bottomLatitude);
    data.setViewLatitudeScale(t.latitudeScale);
    data.setViewLeftLongitude(t.leftLongitude);
    data.setViewLongitudeScale(t.longitudeScale);
    return true;
}

Pixel PositionToPixel(const IFTMapParam& param, const IFTGarminData& data, double latitude, double longitude) {
    return ViewTransform::of(data, param).PositionToPixel(latitude, longitude);
}

void PixelToPosition(const IFTMapParam& param, const IFTGarminData& data, int x, int y, double& latitude,
                     double& longitude) {
    ViewTransform::of(data, param).PixelToPosition(x, y, latitude, longitude);
}

} // namespace nuvrel

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

ViewTransform ViewTransform::of(const IFTGarminData& data, const IFTMapParam& param) {
    return {data.viewBottomLatitude(), data.viewLatitudeScale(), data.viewLeftLongitude(),
            data.viewLongitudeScale(), param.bitmap_height};
}

ViewTransform ViewTransform::forCalibration(const IFTMapParam& param) {
    return {param.ido_bottom, param.bitmap_height / (param.ido_top - param.ido_bottom), param.kei_left,
            param.bitmap_width / (param.kei_right - param.kei_left), param.bitmap_height};
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

// The map calibration record and the view transform derived from it: the
// latitudes of the map's top and bottom edges, the longitudes of its left and
// right edges and its size in pixels, with latitude and longitude mapped
// linearly and independently onto rows and columns.
#pragma once

#include <cstdint>
#include <string>

namespace nuvrel {

class IFTGarminData;

struct IFTMapParam {
    // The bitmap of a plain map (ending in ".bmp") or the path of a tiled
    // map's description; empty while no map has been chosen.
    std::string mapFileName;
    double ido_top = 0;    // latitude of the top edge, degrees
    double ido_bottom = 0; // latitude of the bottom edge
    double kei_left = 0;   // longitude of the left edge
    double kei_right = 0;  // longitude of the right edge
    std::int32_t bitmap_width = 0;
    std::int32_t bitmap_height = 0;

    // Top above bottom and left left of right.
    bool HasValidCalibration() const { return ido_top > ido_bottom && kei_left < kei_right; }
    // Both extents non-zero and finite, and a size of at least 1 x 1: the
    // scales of the view transform are then finite and non-zero.
    bool HasUsableTransform() const;
};

// A pixel of the map bitmap.
struct Pixel {
    int x = 0;
    int y = 0;
    friend bool operator==(const Pixel&, const Pixel&) = default;
};

// Truncation toward zero, kept inside the int range (a position far off the
// map must not overflow the conversion).
int truncToInt(double v);

// The four view fields of the data set together with the map height: what
// every drawing and hit test needs, as one small value.
struct ViewTransform {
    double bottomLatitude = 0;
    double latitudeScale = 1; // pixels per degree
    double leftLongitude = 0;
    double longitudeScale = 1;
    std::int32_t height = 0; // bitmap_height

    static ViewTransform of(const IFTGarminData& data, const IFTMapParam& param);
    // The transform that SetViewTransform derives (meaningful only when
    // param.HasUsableTransform()).
    static ViewTransform forCalibration(const IFTMapParam& param);

    Pixel PositionToPixel(double latitude, double longitude) const {
        return {truncToInt((longitude - leftLongitude) * longitudeScale),
                height - truncToInt((latitude - bottomLatitude) * latitudeScale)};
    }
    // The route pass truncates the row after the subtraction.
    Pixel RoutePixel(double latitude, double longitude) const {
        return {truncToInt((longitude - leftLongitude) * longitudeScale),
                truncToInt(height - (latitude - bottomLatitude) * latitudeScale)};
    }
    void PixelToPosition(double x, double y, double& latitude, double& longitude) const {
        latitude = (height - y) / latitudeScale + bottomLatitude;
        longitude = x / longitudeScale + leftLongitude;
    }
};

// Sets the data set's view fields from the calibration. Returns false, and
// changes nothing, when the calibration has no usable transform (zero or
// non-finite extent, empty size).
bool SetViewTransform(const IFTMapParam& param, IFTGarminData& data);

// The mappings with the data set's view fields.
Pixel PositionToPixel(const IFTMapParam& param, const IFTGarminData& data, double latitude, double longitude);
void PixelToPosition(const IFTMapParam& param, const IFTGarminData& data, int x, int y, double& latitude,
                     double& longitude);

} // namespace nuvrel

// The map calibration record and the view transform derived from it: the
// latitudes of the map's top and bottom edges, the longitudes of its left and
// right edges and its size in pixels, with latitude and longitude mapped
// linearly and independently onto rows and columns.
#pragma once

#include "core/map/map_projection.h"

#include <cstdint>
#include <memory>
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
    // A georeferenced raster drawn in its own coordinates: positions go
    // through its projection, scaled from the raster's grid to the bitmap's
    // size; the four edges above are then the box around it (for the fitted
    // view and the validity check). Empty for plain and tiled maps and the
    // fitted view, whose edges are the linear calibration.
    std::shared_ptr<const MapProjection> projection;

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

// How positions become pixels of the map picture, and back: what every
// drawing and hit test needs, as one small value. Two kinds: the linear
// calibration (the data set's four view fields with the map height, latitude
// and longitude each linear in rows and columns), or a raster's own
// projection scaled to the bitmap's size.
struct ViewTransform {
    double bottomLatitude = 0;
    double latitudeScale = 1; // pixels per degree
    double leftLongitude = 0;
    double longitudeScale = 1;
    std::int32_t height = 0; // bitmap_height
    // Set for a map in its own projection.
    std::shared_ptr<const MapProjection> projection;
    double pixelsPerRasterX = 1; // bitmap pixels per raster pixel
    double pixelsPerRasterY = 1;
    // The picture's pixel that the drawing's (0, 0) stands for: drawing into
    // a window of a larger picture. Zero for the whole picture.
    int originX = 0;
    int originY = 0;

    static ViewTransform of(const IFTGarminData& data, const IFTMapParam& param);
    // The transform that SetViewTransform derives (meaningful only when
    // param.HasUsableTransform()).
    static ViewTransform forCalibration(const IFTMapParam& param);

    Pixel PositionToPixel(double latitude, double longitude) const {
        if (projection)
            return projectedPixel(latitude, longitude);
        return {truncToInt((longitude - leftLongitude) * longitudeScale) - originX,
                height - truncToInt((latitude - bottomLatitude) * latitudeScale) - originY};
    }
    // The route pass truncates the row after the subtraction.
    Pixel RoutePixel(double latitude, double longitude) const {
        if (projection)
            return projectedPixel(latitude, longitude);
        return {truncToInt((longitude - leftLongitude) * longitudeScale) - originX,
                truncToInt(height - (latitude - bottomLatitude) * latitudeScale) - originY};
    }
    void PixelToPosition(double x, double y, double& latitude, double& longitude) const;
    // The unrounded map point of a position: x from the left edge, up from
    // the bottom edge, in bitmap pixels (the printed page scales these).
    void MapPoint(double latitude, double longitude, double& x, double& up) const;

private:
    Pixel projectedPixel(double latitude, double longitude) const;
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

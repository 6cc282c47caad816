// Maps from georeferenced rasters: GeoTIFF, MBTiles and images calibrated by
// an OziExplorer ".map" file. The raster keeps its own pixels and its own
// coordinate system (UTM, Web Mercator, Lambert, latitude/longitude of any
// datum): positions of the selected datum are carried into it through its
// projection (MapProjection), and only the part of the raster that is shown
// is read, at the scale it is shown, from the raster's overviews where it has
// them. This module alone talks to the raster library.
#pragma once

#include "core/geo/map_datum.h"
#include "core/map/map_projection.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace nuvrel {

// A box in the selected datum, degrees. Longitudes run on across the
// antimeridian (a map from 179.8 to 180.2 has right 180.2).
struct GeoRasterBox {
    double top = 0;
    double bottom = 0;
    double left = 0;
    double right = 0;
};

class GeoRaster {
public:
    ~GeoRaster();
    GeoRaster(const GeoRaster&) = delete;
    GeoRaster& operator=(const GeoRaster&) = delete;

    // Opens path for drawing positions of `datum` over it. Returns an empty
    // text, or why the map can't be used (naming the file); out is then
    // untouched. Only the raster's description is read here, no pixels.
    // maxPixels bounds what one read takes from the file: a raster larger
    // than that needs an overview within it (a .map's image, which has none,
    // is refused), and reads that would take more come from a coarser
    // overview.
    static std::string Open(const std::string& path, const DatumRow& datum, std::int64_t maxPixels,
                            std::unique_ptr<GeoRaster>& out);

    int width() const;
    int height() const;
    const std::shared_ptr<const MapProjection>& projection() const;
    const GeoRasterBox& box() const;
    // Something to tell the user beside success (a .map whose projection is
    // not known and is drawn with a latitude/longitude fit); else empty.
    const std::string& note() const;

    // Reads the raster window (x, y, w, h in raster pixels, fractions allowed)
    // resampled to outWidth x outHeight pixels of 0xFFRRGGBB into out (rows
    // `stride` pixels apart); where the raster has no pixels (outside it,
    // transparent, no data) the background (0xRRGGBB) shows. Returns an empty
    // text or why the pixels could not be read.
    std::string Read(double x, double y, double w, double h, int outWidth, int outHeight, std::uint32_t background,
                     std::uint32_t* out, std::ptrdiff_t stride) const;

private:
    struct Impl;
    explicit GeoRaster(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// ".tif", ".tiff", ".mbtiles" or ".map", in any letter case.
bool IsGeoRasterName(std::string_view path);

// The PROJ description of a datum of the table: its ellipsoid and the
// geocentric shift to WGS-84.
std::string DatumProjString(const DatumRow& datum);

} // namespace nuvrel

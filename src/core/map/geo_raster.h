// Maps from georeferenced rasters: GeoTIFF, MBTiles and images calibrated by
// an OziExplorer ".map" file. Each is warped into the grid of a plain map
// (north up, latitude and longitude linear in the selected datum), so that
// the rest of the program sees a bitmap and its edges as after loading a
// calibrated bitmap. This module alone talks to the raster library.
#pragma once

#include "core/geo/map_datum.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

struct GeoRasterImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb; // 0xFFRRGGBB, top row first; the background outside the source
    double ido_top = 0;
    double ido_bottom = 0;
    double kei_left = 0;
    double kei_right = 0;
    // Said to the user when the picture is coarser than the source (the
    // source was larger than the program's pixel cap).
    std::string note;
};

// ".tif", ".tiff", ".mbtiles" or ".map", in any letter case.
bool IsGeoRasterName(std::string_view path);

// Reads path and warps it into the grid of `datum`, at about the source's
// resolution and within maxPixels (and the program's side limit); where the
// source has no pixels the picture shows background (0xRRGGBB). Returns an
// empty text, or why the map can't be used (naming the file); out is then
// untouched.
std::string LoadGeoRaster(const std::string& path, const DatumRow& datum, std::uint32_t background,
                          std::int64_t maxPixels, GeoRasterImage& out);

// The PROJ description of a datum of the table: its ellipsoid and the
// geocentric shift to WGS-84.
std::string DatumProjString(const DatumRow& datum);

} // namespace nuvrel

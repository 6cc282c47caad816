// OziExplorer "Map Data File" (.map): an image calibrated by points whose
// pixel and position (latitude/longitude, or grid coordinates) are both
// known, in a named projection. Read: the image name, the datum, the
// projection with its setup line, and the calibration points.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

struct OziMapPoint {
    double x = 0; // pixel column
    double y = 0; // pixel row
    double latitude = 0;
    double longitude = 0;
    bool hasPosition = true; // latitude and longitude given
    bool hasGrid = false; // grid coordinates given instead (or as well)
    int zone = 0;         // UTM zone of the grid coordinates, 0 when none
    bool south = false;   // the grid's hemisphere
    double easting = 0;
    double northing = 0;
};

struct OziMapFile {
    std::string imageName;      // as written: often a Windows path
    std::string datumName;      // first field of the datum line, e.g. "WGS 84"
    std::string projectionName; // second field of "Map Projection", e.g. "Transverse Mercator"
    // "Projection Setup": latitude of origin, central meridian, scale factor,
    // false easting, false northing, first and second standard parallels;
    // NaN where a field is empty.
    std::array<double, 7> setup{};
    std::vector<OziMapPoint> points;
};

// Reads the text of a .map file. Returns an empty text, or why it is not a
// usable one ("not an OziExplorer map file", "only 2 calibration points; at
// least 3 are needed", ...).
std::string ParseOziMap(std::string_view text, OziMapFile& out);

// The file name part of the image path in a .map ("C:\Maps\Alps.PNG" gives
// "Alps.PNG").
std::string OziImageBaseName(std::string_view imageName);

// The affine transform pixel -> (longitude, latitude) fitted to the points by
// least squares, as a raster geotransform: lon = g[0] + x g[1] + y g[2],
// lat = g[3] + x g[4] + y g[5]. False when the points are collinear.
bool FitOziAffine(const std::vector<OziMapPoint>& points, std::array<double, 6>& g);

// A pixel with the coordinates (u, v) it stands for.
struct PixelTie {
    double x = 0;
    double y = 0;
    double u = 0;
    double v = 0;
};
// The affine transform pixel -> (u, v) fitted by least squares, as a
// geotransform (u = g[0] + x g[1] + y g[2], v = g[3] + x g[4] + y g[5]).
// False when there are fewer than 3 ties or they lie on one line.
bool FitPixelAffine(const std::vector<PixelTie>& ties, std::array<double, 6>& g);

} // namespace nuvrel

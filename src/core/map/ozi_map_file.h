// OziExplorer "Map Data File" (.map): an image calibrated by points whose
// pixel and latitude/longitude are both known. Only what a north-up plain
// map needs is read: the image name, the datum and the calibration points.
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
};

struct OziMapFile {
    std::string imageName; // as written: often a Windows path
    std::string datumName; // first field of the datum line, e.g. "WGS 84"
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

} // namespace nuvrel

// The calibration file of a plain map: a small text file beside the bitmap
// (same name, ".dat" instead of ".bmp") giving the edges and the size.
#pragma once

#include "core/map/ift_map_param.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace nuvrel {

// The bitmap and calibration paths of a plain map: the chosen path without
// its last four characters, followed by ".bmp" and ".dat". Choosing x.bmp or
// x.dat gives the same pair.
struct PlainMapPaths {
    std::string bitmap;
    std::string calibration;
};
PlainMapPaths plainMapPaths(std::string_view chosen);
// The same pair as the files lie on disk, each found in any letter case
// (MAP.BMP + MAP.DAT); a file that is missing keeps the formed name.
PlainMapPaths findPlainMapFiles(std::string_view chosen);
// Where the calibration dialog saves for a chosen file: beside it, under its
// name with the extension ".dat" (x.bmp, photo.tif and x.dat all give
// x.dat or photo.dat; a name without extension gains one), so that no image
// is ever overwritten. An existing calibration file is found in any letter
// case; else an extension in capitals gives ".DAT" (MAP.BMP -> MAP.DAT).
std::string calibrationSavePath(std::string_view chosen);
// Whether the file at path is a calibration file that a save may replace:
// a small text file with at least one of the calibration keys at the start
// of a line. Anything else (a tiled map's description, an image, other
// data) is not.
inline constexpr std::size_t kMaxCalibrationFileSize = 64 * 1024;
bool IsCalibrationFile(const std::string& path);

// Reads calibration text into param. Lines are taken in pieces of at most
// 63 bytes; each piece is split at its first "=", its key matched by prefix
// ("ido_top", "ido_bottom", "kei_left", "kei_right", "bitmap_width",
// "bitmap_height") and its value read as a C number. Keys that are missing
// leave param's values as they were. The map file name is not touched.
void ReadCalibration(std::string_view text, IFTMapParam& param);
// Reads the file; false when it cannot be opened.
bool ReadCalibrationFile(const std::string& path, IFTMapParam& param);

// The texts the calibration dialog writes.
struct CalibrationTexts {
    std::string latitude;  // centre, decimal degrees
    std::string longitude; // centre, decimal degrees
    std::string top;
    std::string left;
    std::string bottom;
    std::string right;
    std::string width;
    std::string height;
};
// The seven lines, each ended by CR LF. Latitudes are cut (not rounded) to 9
// characters, longitudes to 10.
std::string CalibrationFileText(const CalibrationTexts& texts);

} // namespace nuvrel

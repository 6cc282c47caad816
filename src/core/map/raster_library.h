// The raster library as a reader of the map files this program knows and
// nothing else. Map sets come from strangers: a file named "alps.tif" may be
// a description that makes the library fetch tiles, write or delete files in
// a cache folder, or pull other local files into the picture. So only the
// drivers of the map formats stay registered, names are plain files, and the
// library never goes on the network.
#pragma once

#include <string>

namespace nuvrel {

// Once per process, before the library opens anything: keeps only the map
// formats' drivers (GeoTIFF/COG, MBTiles, and PNG, JPEG, BMP, GIF for the
// images of .map files) and those the program builds pictures with in memory
// (which can no longer open files), and turns off network access, sidecar
// metadata files and plug-ins.
void UseMapDriversOnly();

// The drivers a map file may be opened with, a null-terminated list for the
// library's open call.
const char* const* MapDrivers();

// Why path can't be handed to the library as a map (a virtual file system
// name such as "/vsicurl/..."), or an empty text.
std::string RefuseMapName(const std::string& path);

// The text that refuses a file no map driver reads.
std::string NotAMapFormat(const std::string& path);

} // namespace nuvrel

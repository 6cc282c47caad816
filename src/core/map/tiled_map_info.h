// The description of a tiled map, a text file named "mapinfo.dat" (any
// letter case) lying beside its numbered tile bitmaps.
#pragma once

#include "core/map/ift_map_param.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nuvrel {

// True when the last 11 characters, lower-cased, are "mapinfo.dat".
bool IsTiledMapName(std::string_view path);

struct TiledMapInfo {
    std::int32_t columns = 0;
    std::int32_t rows = 0;
    double ido_top = 0;
    double kei_left = 0;
    double ido_bottom = 0;
    double kei_right = 0;
    std::int32_t tileWidth = 0;
    std::int32_t tileHeight = 0;
};

struct TiledMapReadResult {
    // 0 when the description was read; else the number of the error table
    // (7: not a description, 10: unsupported version or pixel format), or -1
    // for a description that is cut short, describes an unusable map or names
    // more tiles than a map may have pixels, with the reason in message (a
    // lower-case phrase without a final full stop).
    int error = 0;
    std::string message;
    bool ok() const { return error == 0; }
};

// Reads the description text (lines taken in pieces of at most 255 bytes).
TiledMapReadResult ReadTiledMapInfo(std::string_view text, TiledMapInfo& info);

// The file of tile n: the description's path without its last ten
// characters, then n and ".bmp" (mapinfo.dat -> m0.bmp, m1.bmp, ...).
std::string TilePath(std::string_view descriptionPath, std::int64_t n);

// 2 to the power |zoomLevel|, or 0 when that does not fit in 31 bits.
std::int64_t zoomFactor(int zoomLevel);

struct TileRect {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const TileRect&, const TileRect&) = default;
};

// The size of the whole map at a zoom level (may be too large to allocate:
// check it with CheckMapSize) and the rectangle of one tile in it.
void TiledMapSize(const TiledMapInfo& info, int zoomLevel, std::int64_t& width, std::int64_t& height);
TileRect TiledMapTileRect(const TiledMapInfo& info, int zoomLevel, std::int32_t row, std::int32_t column);

// Bounds that keep a map bitmap allocatable: at most kMaxMapSide pixels a
// side and kMaxMapPixels in all, at least 1 x 1.
inline constexpr std::int64_t kMaxMapSide = 32768;
inline constexpr std::int64_t kMaxMapPixels = 120'000'000; // 480 MB at 32 bits per pixel
// Empty when the size is acceptable; else why it is not.
std::string CheckMapSize(std::int64_t width, std::int64_t height);

} // namespace nuvrel

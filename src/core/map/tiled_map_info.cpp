#include "core/map/tiled_map_info.h"

#include "core/c_number.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <vector>

namespace nuvrel {

bool IsTiledMapName(std::string_view path) {
    constexpr std::string_view kName = "mapinfo.dat";
    if (path.size() < kName.size())
        return false;
    const std::string_view tail = path.substr(path.size() - kName.size());
    for (std::size_t i = 0; i < kName.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(tail[i])) != kName[i])
            return false;
    return true;
}

namespace {

// The lines as a 256-byte line buffer returns them, each cut at a NUL.
std::vector<std::string_view> pieces(std::string_view text, std::size_t limit) {
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        const std::size_t lineEnd = nl == std::string_view::npos ? text.size() : nl + 1;
        const std::size_t n = std::min(limit, lineEnd - pos);
        std::string_view piece = text.substr(pos, n);
        out.push_back(piece.substr(0, piece.find('\0')));
        pos += n;
    }
    return out;
}

} // namespace

TiledMapReadResult ReadTiledMapInfo(std::string_view text, TiledMapInfo& info) {
    const auto lines = pieces(text, 255);
    if (lines.empty() || !std::string_view(lines[0]).starts_with("Nuvrel CE"))
        return {7, "not a NUVREL file"};
    if (lines.size() < 2 || std::strncmp(std::string(lines[1]).c_str(), "101", 3) > 0)
        return {10, "unsupport version/format"};
    if (lines.size() >= 3 && std::string_view(lines[2]).starts_with("2bp"))
        return {10, "unsupport version/format"};
    if (lines.size() < 11)
        return {-1, "the description ends after " + std::to_string(lines.size()) +
                        " lines; it needs 11 (tags, tile columns and rows, four edges, tile width and height)"};
    TiledMapInfo read;
    read.columns = parseInt32(lines[3]);
    read.rows = parseInt32(lines[4]);
    read.ido_top = parseDouble(lines[5]);
    read.kei_left = parseDouble(lines[6]);
    read.ido_bottom = parseDouble(lines[7]);
    read.kei_right = parseDouble(lines[8]);
    read.tileWidth = parseInt32(lines[9]);
    read.tileHeight = parseInt32(lines[10]);
    if (read.columns < 1 || read.rows < 1 || read.tileWidth < 1 || read.tileHeight < 1)
        return {-1, "the description gives no tiles: " + std::to_string(read.columns) + " x " +
                        std::to_string(read.rows) + " tiles of " + std::to_string(read.tileWidth) + " x " +
                        std::to_string(read.tileHeight) + " pixels"};
    // Every tile is at least a pixel of the whole map: more tiles than the
    // map may have pixels can never load, however far it is zoomed out.
    if (std::int64_t{read.columns} * read.rows > kMaxMapPixels)
        return {-1, "the description names " + std::to_string(read.columns) + " x " + std::to_string(read.rows) +
                        " tiles, more than the " + std::to_string(kMaxMapPixels / 1000000) +
                        " million pixels a map may have"};
    const double latSpan = read.ido_top - read.ido_bottom;
    const double lonSpan = read.kei_right - read.kei_left;
    if (!std::isfinite(latSpan) || !std::isfinite(lonSpan) || latSpan == 0 || lonSpan == 0)
        return {-1, "the description's edges enclose no area (ido_top equals ido_bottom or kei_left "
                    "equals kei_right)"};
    info = read;
    return {};
}

std::string TilePath(std::string_view descriptionPath, std::int64_t n) {
    const std::size_t keep = descriptionPath.size() >= 10 ? descriptionPath.size() - 10 : 0;
    return std::string(descriptionPath.substr(0, keep)) + std::to_string(n) + ".bmp";
}

std::int64_t zoomFactor(int zoomLevel) {
    const int e = zoomLevel < 0 ? -zoomLevel : zoomLevel;
    if (e > 30)
        return 0;
    return std::int64_t{1} << e;
}

void TiledMapSize(const TiledMapInfo& info, int zoomLevel, std::int64_t& width, std::int64_t& height) {
    const std::int64_t f = zoomFactor(zoomLevel);
    const std::int64_t w = std::int64_t{info.tileWidth} * info.columns;
    const std::int64_t h = std::int64_t{info.tileHeight} * info.rows;
    if (f == 0) {
        width = zoomLevel < 0 ? 0 : INT64_MAX / 4;
        height = width;
    } else if (zoomLevel <= 0) {
        width = w / f;
        height = h / f;
    } else {
        constexpr std::int64_t kHuge = INT64_MAX / 4;
        width = w > kHuge / f ? kHuge : w * f;
        height = h > kHuge / f ? kHuge : h * f;
    }
}

TileRect TiledMapTileRect(const TiledMapInfo& info, int zoomLevel, std::int32_t row, std::int32_t column) {
    const std::int64_t f = zoomFactor(zoomLevel);
    const std::int64_t tw = info.tileWidth, th = info.tileHeight;
    TileRect r;
    if (f == 0)
        return r;
    if (zoomLevel <= 0) {
        r.top = th * row / f;
        r.bottom = r.top + th / f;
        r.left = tw * column / f;
        r.right = r.left + tw / f;
    } else {
        r.top = row * th * f;
        r.bottom = r.top + th * f;
        r.left = column * tw * f;
        r.right = r.left + tw * f;
    }
    return r;
}

std::string CheckMapSize(std::int64_t width, std::int64_t height) {
    auto size = [&] { return std::to_string(width) + " x " + std::to_string(height) + " pixels"; };
    if (width < 1 || height < 1)
        return "the map would be " + size() + ", smaller than one pixel";
    if (width > kMaxMapSide || height > kMaxMapSide)
        return "the map would be " + size() + ", more than " + std::to_string(kMaxMapSide) + " pixels a side";
    if (width * height > kMaxMapPixels)
        return "the map would be " + size() + ", more than " + std::to_string(kMaxMapPixels / 1000000) +
               " million pixels";
    return {};
}

} // namespace nuvrel

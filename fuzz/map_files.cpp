// The calibration file, the tiled map description and the OziExplorer .map
// file on arbitrary bytes, with the view transform, tile layout and fitted
// calibration they lead to.
#include "core/map/calibration_file.h"
#include "core/map/map_info_calc.h"
#include "core/map/ozi_map_file.h"
#include "core/map/tiled_map_info.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nuvrel;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    IFTMapParam param;
    ReadCalibration(text, param);
    if (param.HasUsableTransform()) {
        const ViewTransform t = ViewTransform::forCalibration(param);
        (void)t.PositionToPixel(param.ido_top, param.kei_left);
        (void)t.RoutePixel(param.ido_bottom, param.kei_right);
    }

    OziMapFile ozi;
    if (ParseOziMap(text, ozi).empty()) {
        std::array<double, 6> g;
        if (FitOziAffine(ozi.points, g))
            (void)OziImageBaseName(ozi.imageName);
        // The fit in the map's own grid, from grid coordinates where given.
        std::vector<PixelTie> ties;
        for (const OziMapPoint& p : ozi.points)
            ties.push_back({p.x, p.y, p.hasGrid ? p.easting : p.longitude, p.hasGrid ? p.northing : p.latitude});
        (void)FitPixelAffine(ties, g);
    }

    TiledMapInfo info;
    if (ReadTiledMapInfo(text, info).ok()) {
        for (int level : {-40, -3, 0, 3, 40}) {
            std::int64_t w = 0, h = 0;
            TiledMapSize(info, level, w, h);
            if (CheckMapSize(w, h).empty())
                (void)TiledMapTileRect(info, level, info.rows - 1, info.columns - 1);
        }
        (void)TilePath(text.substr(0, 64), info.columns);
    }
    (void)DmsTextToDegrees(text.substr(0, 256));
    (void)textToFloat(text.substr(0, 64));
    (void)textToInt(text.substr(0, 64));
    return 0;
}

// Where positions fall on the pixels of a map drawn in its own coordinate
// system (a georeferenced raster: UTM, Web Mercator, Lambert ...). The map's
// pixels stay as they are; each position is carried from the selected datum
// into the raster's coordinate system and through its pixel grid. A plain
// map needs none of this: its edges are linear in latitude and longitude.
#pragma once

namespace nuvrel {

class MapProjection {
public:
    virtual ~MapProjection() = default;

    // The size of the raster's own pixel grid.
    virtual int width() const = 0;
    virtual int height() const = 0;

    // The unrounded raster pixel of a position in the selected datum: x to
    // the right, y down, (0, 0) the top-left corner of the first pixel.
    // False when the position has no place in the raster's system.
    virtual bool toRaster(double latitude, double longitude, double& x, double& y) const = 0;
    // The position in the selected datum of an unrounded raster pixel.
    virtual bool toPosition(double x, double y, double& latitude, double& longitude) const = 0;
};

} // namespace nuvrel

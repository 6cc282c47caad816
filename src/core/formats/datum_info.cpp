#include "core/formats/datum_info.h"

#include "core/geo/map_datum.h"

namespace nuvrel {

DatumInfo datumInfoFor(const std::string& datumName) {
    const MapDatum datum(datumName);
    DatumInfo info;
    info.index = datum.index();
    info.name = datum.name();
    info.ellipsoid = datum.ellipsoid();
    info.da = datum.da();
    info.df = datum.df();
    info.dx = datum.dx();
    info.dy = datum.dy();
    info.dz = datum.dz();
    return info;
}

} // namespace nuvrel

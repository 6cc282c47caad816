// The values of the selected map datum that the exports write into their
// headers (POT "Dat=" line, PCX5 "M" line).
#pragma once

#include <string>

namespace nuvrel {

struct DatumInfo {
    int index = 116; // position in the datum table
    std::string name = "Tokyo";
    std::string ellipsoid = "Bessel_1841";
    double da = 739.845;
    double df = 0.10037483e-4; // the flattening difference itself (not times 10000)
    double dx = -128;
    double dy = 481;
    double dz = 664;
};

// The values of the datum of that name in the datum table; the table's
// fallback row ("Tokyo") when no row has that name.
DatumInfo datumInfoFor(const std::string& datumName);

} // namespace nuvrel

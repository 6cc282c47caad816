#include "core/map/raster_library.h"

#include <cpl_conv.h>
#include <gdal_priv.h>

#include <cstdint>
#include <cstring>
#include <mutex>

namespace nuvrel {

namespace {

constexpr const char* kMapDrivers[] = {"GTiff", "COG", "MBTiles", "PNG", "JPEG", "BMP", "GIF", nullptr};

// Kept registered for the program's own use, never to open a file the user
// names: MEM and VRT build the picture and views of its bands in memory;
// MBTiles reads its database through SQLite (a vector driver, so never asked
// for a raster).
constexpr const char* kInMemory[] = {"MEM", "VRT"};
constexpr const char* kHelpers[] = {"SQLite"};

bool listed(const char* name, const auto& list) {
    for (const char* n : list)
        if (n && std::strcmp(n, name) == 0)
            return true;
    return false;
}

} // namespace

void UseMapDriversOnly() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Nothing from plug-in folders, no .aux.xml read or written beside
        // the user's maps, a bounded block cache, and no network: with the
        // network drivers gone and /vsi names refused, curl would be reached
        // only through a name in a file, and no name is allowed.
        CPLSetConfigOption("GDAL_DRIVER_PATH", "disable");
        CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
        CPLSetConfigOption("CPL_VSIL_CURL_ALLOWED_FILENAME", "/vsicurl/none");
        GDALSetCacheMax64(std::int64_t{64} << 20);
        GDALAllRegister();
        for (int i = GDALGetDriverCount() - 1; i >= 0; --i) {
            GDALDriverH driver = GDALGetDriver(i);
            const char* name = GDALGetDriverShortName(driver);
            if (!listed(name, kMapDrivers) && !listed(name, kInMemory) && !listed(name, kHelpers)) {
                GDALDeregisterDriver(driver);
                GDALDestroyDriver(driver);
            }
        }
        for (const char* name : kInMemory)
            if (auto* driver = GetGDALDriverManager()->GetDriverByName(name)) {
                driver->pfnOpen = nullptr;
                driver->pfnOpenWithDriverArg = nullptr;
                driver->pfnIdentify = nullptr;
                driver->pfnIdentifyEx = nullptr;
            }
    });
}

const char* const* MapDrivers() { return kMapDrivers; }

std::string RefuseMapName(const std::string& path) {
    if (path.rfind("/vsi", 0) == 0)
        return path + " is not a map file on this computer";
    return {};
}

std::string NotAMapFormat(const std::string& path) { return path + " is not a map format this program reads"; }

} // namespace nuvrel

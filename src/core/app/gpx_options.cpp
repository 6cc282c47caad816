#include "core/app/gpx_options.h"

#include "core/codepage.h"
#include "core/gps/gps_model.h"

namespace nuvrel {

GpxSettings gpxSettingsFrom(const IFTOption& option) {
    GpxSettings settings;
    settings.datumName = option.DatumName();
    settings.productId = option.GPSModelID();
    settings.softwareVersion = option.GPSSoftwareVersion();
    settings.displayDefault = GPSModel::DisplayDefaultFor(settings.productId, settings.softwareVersion);
    settings.codePage = activeCodePage();
    return settings;
}

} // namespace nuvrel

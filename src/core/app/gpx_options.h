// The GPX reader's and writer's settings taken from the user's settings.
#pragma once

#include "core/ift_option.h"
#include "core/formats/gpx_format.h"

namespace nuvrel {

// The GPX settings of the user's datum and receiver.
GpxSettings gpxSettingsFrom(const IFTOption& option);

} // namespace nuvrel

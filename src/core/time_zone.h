// The computer's time zone and the time offset derived from it.
#pragma once

#include "core/platform.h"

#include <cstdint>

namespace nuvrel {

// Reads the zone of TZ (or the system's) from the C library's local-time
// rules: the bias is standard time's distance west of UTC, and the zone has
// a daylight rule when this year keeps daylight time on some day. Neither
// depends on today's date nor on the zone's history.
class CLibraryTimeZone final : public TimeZoneSource {
public:
    ZoneInfo read() override;
};

// The time offset that receiver times are shown with: the zone's bias, one
// hour less when the zone has a daylight rule (whatever today's date).
constexpr std::int32_t TimeOffsetFor(const ZoneInfo& zone) {
    return zone.daylight ? zone.biasSeconds - 3600 : zone.biasSeconds;
}

} // namespace nuvrel

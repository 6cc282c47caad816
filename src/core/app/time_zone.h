// The computer's time zone and the time offset derived from it.
#pragma once

#include "core/platform.h"

#include <cstdint>

namespace nuvrel {

// Reads the zone from the C library (tzset): `timezone` is the bias in
// seconds west of UTC and `daylight` says whether the zone has a daylight rule.
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

#include "core/time_zone.h"

#include <algorithm>
#include <ctime>

namespace nuvrel {

ZoneInfo CLibraryTimeZone::read() {
    tzset();
    // The zone's rules of this year, walked a day at a time at noon UTC: a
    // zone has a daylight rule when some day of the year keeps daylight time.
    // The C library's own flag (`daylight`) will not do: it is set for a zone
    // that kept summer time at any point of its history, and some local-time
    // calls change it.
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::tm first{};
    first.tm_year = utc.tm_year;
    first.tm_mday = 1;
    first.tm_hour = 12;
    const std::time_t start = timegm(&first);

    bool daylight = false;
    long lowest = 0;
    for (int day = 0; day < 366; ++day) {
        const std::time_t t = start + std::time_t(day) * 86400;
        std::tm local{};
        if (!localtime_r(&t, &local))
            continue;
        daylight = daylight || local.tm_isdst > 0;
        lowest = day == 0 ? local.tm_gmtoff : std::min(lowest, local.tm_gmtoff);
    }
    std::tm current{};
    localtime_r(&now, &current);

    ZoneInfo z;
    // Standard time is the lower of the year's offsets (a zone whose rule
    // moves the clock back in winter marks winter as its daylight time);
    // without a daylight rule it is the offset of today.
    z.biasSeconds = static_cast<std::int32_t>(-(daylight ? lowest : current.tm_gmtoff));
    z.daylight = daylight;
    return z;
}

} // namespace nuvrel

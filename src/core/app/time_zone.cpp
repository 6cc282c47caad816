#include "core/app/time_zone.h"

#include <ctime>

namespace nuvrel {

ZoneInfo CLibraryTimeZone::read() {
    tzset();
    ZoneInfo z;
    z.biasSeconds = static_cast<std::int32_t>(timezone);
    z.daylight = daylight != 0;
    return z;
}

} // namespace nuvrel

#include "core/time_zone.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <ctime>

namespace nuvrel {
namespace {

// The offset follows the zone's rules of today, whatever the zone kept in
// the past (Tokyo had summer time 1948-51) and whatever local-time call ran
// before.
TEST(TimeZone, OffsetOfTheZonesCurrentRulesWhateverRanBefore) {
    const struct {
        const char* zone;
        std::int32_t offset;
    } cases[] = {
        {"Asia/Tokyo", -32400},       {"Asia/Seoul", -32400},      {"Asia/Shanghai", -28800},
        {"Europe/Moscow", -10800},    {"Europe/Istanbul", -10800}, {"America/Phoenix", 25200},
        {"America/Sao_Paulo", 10800}, {"UTC", 0},                  {"Europe/Berlin", -7200},
        {"America/New_York", 14400},  {"America/St_Johns", 9000},  {"Europe/Dublin", -3600},
    };
    for (const auto& c : cases) {
        test::ZoneScope scope(c.zone);
        CLibraryTimeZone zone;
        EXPECT_EQ(TimeOffsetFor(zone.read()), c.offset) << c.zone;
        std::tm tm{};
        tm.tm_year = 50;
        tm.tm_mon = 6;
        tm.tm_mday = 1;
        tm.tm_isdst = -1;
        std::time_t summer1950 = std::mktime(&tm);
        localtime_r(&summer1950, &tm);
        EXPECT_EQ(TimeOffsetFor(zone.read()), c.offset) << c.zone << " after a local time of 1950";
    }
}

} // namespace
} // namespace nuvrel

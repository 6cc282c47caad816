#include "core/formats/calendar.h"

#include <cstddef>
#include <ctime>

namespace nuvrel {

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = floorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

constexpr const char* kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                     "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

} // namespace

std::int64_t utcSeconds(const CalendarTime& t) {
    const std::int64_t months = static_cast<std::int64_t>(t.month) - 1;
    const std::int64_t year = t.year + floorDiv(months, 12);
    const int month = static_cast<int>(months - floorDiv(months, 12) * 12) + 1;
    const std::int64_t days = daysFromCivil(year, month, 1) + (t.day - 1);
    return days * 86400 + std::int64_t{t.hour} * 3600 + std::int64_t{t.minute} * 60 + t.second;
}

CalendarTime utcFields(std::int64_t seconds) {
    const std::int64_t days = floorDiv(seconds, 86400);
    const std::int64_t rest = seconds - days * 86400;
    // Civil date from days (inverse of daysFromCivil).
    const std::int64_t z = days + 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CalendarTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

std::int64_t localSeconds(const CalendarTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    const std::time_t r = std::mktime(&tm);
    if (r == static_cast<std::time_t>(-1)) {
        // Out of the C library's range (or exactly one second before 1970):
        // fall back to the zone's standard offset.
        tzset();
        return utcSeconds(t) + timezone;
    }
    return static_cast<std::int64_t>(r);
}

CalendarTime localFields(std::int64_t seconds) {
    const std::time_t tt = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!localtime_r(&tt, &tm))
        return utcFields(seconds);
    CalendarTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    return t;
}

const char* monthAbbreviation(int month) { return month >= 1 && month <= 12 ? kMonths[month - 1] : kMonths[0]; }

int monthFromAbbreviation(const char* name, std::size_t length) {
    if (length < 3)
        return 1;
    for (int m = 0; m < 12; ++m) {
        bool same = true;
        for (int i = 0; i < 3; ++i)
            if ((name[i] >= 'a' && name[i] <= 'z' ? name[i] - 'a' + 'A' : name[i]) != kMonths[m][i])
                same = false;
        if (same)
            return m + 1;
    }
    return 1;
}

} // namespace nuvrel

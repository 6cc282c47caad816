// Calendar conversions of the interchange formats: UTC fields by arithmetic,
// local time by the C library's rules (TZ, daylight saving by date).
#pragma once

#include <cstdint>

namespace nuvrel {

struct CalendarTime {
    int year = 1970; // full year
    int month = 1;   // 1 to 12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Seconds since 1970-01-01 00:00 UTC of fields read as UTC. Fields out of
// their range carry over (month 13 is January of the next year), as timegm.
std::int64_t utcSeconds(const CalendarTime& t);

// The UTC calendar fields of a time in seconds since 1970.
CalendarTime utcFields(std::int64_t seconds);

// Seconds since 1970 of fields read as local time of the system's zone, with
// the zone's daylight-saving rules for that date (mktime, tm_isdst -1).
std::int64_t localSeconds(const CalendarTime& t);

// The local calendar fields of a time (localtime_r).
CalendarTime localFields(std::int64_t seconds);

// "JAN" ... "DEC" for month 1 to 12; "JAN" otherwise.
const char* monthAbbreviation(int month);
// The month 1 to 12 of a three-letter name in any case; 1 when none matches.
int monthFromAbbreviation(const char* name, std::size_t length);

// 1990-01-01 00:00 UTC, the earliest time a track point takes from a file: a
// point's time counts unsigned seconds from the eve of that day, so an earlier
// date (a damaged field, or 1970 written as 70) would wrap into the 22nd century.
inline constexpr std::int64_t kEarliestTrackTime = 631152000;

// A two-digit year of the formats: below 70 is 2000 + yy, else 1900 + yy.
constexpr int fullYear(int yy) { return yy < 70 ? 2000 + yy : 1900 + yy; }

// The year of the century as the formats write it: years since 1900, less
// 100 when they exceed 99.
constexpr int centuryYear(int year) { return year - 1900 > 99 ? year - 2000 : year - 1900; }

} // namespace nuvrel

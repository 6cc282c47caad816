#include "core/app/monitor_text.h"

#include "core/geo/angle_text.h"

#include <cstdio>
#include <ctime>

namespace nuvrel {

std::string MonitorCoordinateText(double degrees, MonitorFormat format) {
    switch (format) {
    case MonitorFormat::DM: return formatDM(roundMicro(degrees));
    case MonitorFormat::DMS: return formatDMS(roundMicro(degrees));
    case MonitorFormat::Degree: break;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%9.5f", degrees);
    return buffer;
}

std::string MonitorTimeText(const ReceiverDateTime& time) {
    int year = time.year(), month = time.month(), day = time.day();
    int hour = time.hour(), minute = time.minute(), second = time.second();
    std::tm utc{};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = hour;
    utc.tm_min = minute;
    utc.tm_sec = second;
    const std::time_t t = timegm(&utc);
    std::tm local{};
    if (month >= 1 && month <= 12 && t != std::time_t(-1) && localtime_r(&t, &local)) {
        year = local.tm_year + 1900;
        month = local.tm_mon + 1;
        day = local.tm_mday;
        hour = local.tm_hour;
        minute = local.tm_min;
        second = local.tm_sec;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d/%d/%d %d:%d:%d", year, month, day, hour, minute, second);
    return buffer;
}

} // namespace nuvrel

#include "schedule_time.h"

#include <cstdio>

namespace {

// The local time of day h:m:00 on the calendar day of base plus days.
std::time_t LocalTimeOnDay(std::time_t base, int days, UINT hour, UINT minute)
{
    std::tm tm{};
    localtime_r(&base, &tm);
    tm.tm_mday += days;
    tm.tm_hour = static_cast<int>(hour);
    tm.tm_min = static_cast<int>(minute);
    tm.tm_sec = 0;
    tm.tm_isdst = -1; // the zone's rules decide
    return std::mktime(&tm);
}

} // namespace

ScheduleSpan ComputeStartEnd(std::time_t now, UINT startHour, UINT startMinute, UINT endHour, UINT endMinute)
{
    int startDay = 0;
    int endDay = 0;
    if (now > LocalTimeOnDay(now, 0, startHour, startMinute)) {
        startDay = 1;
        endDay = 1;
    }
    const std::time_t start = LocalTimeOnDay(now, startDay, startHour, startMinute);
    if (start > LocalTimeOnDay(now, endDay, endHour, endMinute))
        ++endDay;
    const std::time_t end = LocalTimeOnDay(now, endDay, endHour, endMinute);
    return {start, end, static_cast<long>((end - start) / 60)};
}

std::string FormatElapsed(DWORD ms)
{
    const long hours = static_cast<long>(ms / 3600000);
    const long minutes = static_cast<long>(ms % 3600000 / 60000);
    const long seconds = static_cast<long>(ms % 3600000 % 60000 / 1000);
    const long millis = static_cast<long>(ms % 1000);
    char text[64];
    std::snprintf(text, sizeof text, "%02ld : %02ld : %02ld.%03ld", hours, minutes, seconds, millis);
    return text;
}

std::string FormatRemaining(std::time_t start, std::time_t now)
{
    const int remaining = static_cast<int>(start - now);
    char text[64];
    std::snprintf(text, sizeof text, "%d分 %d秒", remaining / 60, remaining % 60);
    return text;
}

// The time computations of the recording form: the start and end of a
// recording between two clock times, and the texts of the elapsed and the
// remaining time.  Clock times are local, with daylight saving as the
// system's time zone decides.
#pragma once

#include "core/wintypes.h"

#include <ctime>
#include <string>

struct ScheduleSpan {
    std::time_t start;
    std::time_t end;
    long minutes; // (end - start) / 60, the remainder dropped
};

// Start and end from hour:minute clock times as seen at now: both on now's
// day; both a day later when now is past the start (to the second); the end
// a day after that when it would come before the start.  A day later is the
// same clock time on the next calendar day, so a daylight-saving change in
// between does not shift it.
ScheduleSpan ComputeStartEnd(std::time_t now, UINT startHour, UINT startMinute, UINT endHour, UINT endMinute);

// "%02ld : %02ld : %02ld.%03ld": hours, minutes, seconds, milliseconds.
std::string FormatElapsed(DWORD ms);
// "%d分 %d秒" of the whole seconds from now until start.
std::string FormatRemaining(std::time_t start, std::time_t now);

// The wall clock of the recording form: file names, the schedule's start
// and end, and the waiting dialog read it here, so a test can run a
// schedule on a clock of its own.
#pragma once

#include <ctime>

class IClock {
public:
    virtual ~IClock() = default;
    virtual std::time_t Now() = 0; // whole seconds since the epoch
};

// The clock in use: the system's unless a test installed another.
IClock& RecorderClock();
// Installs a clock (null restores the system's); the caller keeps ownership.
void SetRecorderClock(IClock* clock);

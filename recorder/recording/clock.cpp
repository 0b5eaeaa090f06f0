#include "clock.h"

namespace {

class SystemClock final : public IClock {
public:
    std::time_t Now() override { return std::time(nullptr); }
};

SystemClock g_system;
IClock* g_clock = nullptr;

} // namespace

IClock& RecorderClock()
{
    return g_clock ? *g_clock : g_system;
}

void SetRecorderClock(IClock* clock)
{
    g_clock = clock;
}

// qxrec devices: the capture devices as the recording form offers them, with
// their index (what --device takes), the default mark and their own format.

#include "commands.h"
#include "sndgrab.h"

#include <cstdio>

int RunDevices(int argc, char**)
{
    if (argc != 0) {
        std::fprintf(stderr, "qxrec devices: no arguments are taken\nusage: qxrec devices\n");
        return 2;
    }
    NSndOption devices;
    if (!devices.SetWork()) {
        std::fprintf(stderr, "qxrec devices: no sound server answered\n");
        return 1;
    }
    const int count = devices.GetInfoCount();
    if (count == 0) {
        std::fprintf(stderr, "qxrec devices: the sound server has no capture devices\n");
        return 1;
    }
    const int defaultIndex = devices.GetDefaultIndex();
    for (int i = 0; i < count; ++i) {
        const stNSndDevInfo* info = devices.GetInfo(i);
        if (!info)
            continue;
        std::printf("%c %2d  %s  (%lu Hz, %u ch)\n", i == defaultIndex ? '*' : ' ', info->index, info->name,
                    static_cast<unsigned long>(info->samplesPerSec), static_cast<unsigned>(info->channels));
    }
    return 0;
}

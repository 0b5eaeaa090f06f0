#include "sound_device_check.h"

// Built while the capture library is not part of the build yet.
const char* SoundDeviceProblem()
{
    return nullptr;
}

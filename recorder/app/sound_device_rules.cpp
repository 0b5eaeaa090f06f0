#include "sound_device_check.h"

#include "app/brisa_record_app.h"

const char* SoundDeviceProblemFor(int isLoopback, const WAVEFORMATEX& defaultFormat)
{
    if (!isLoopback)
        return MSG_NO_SOUND_CARD;
    if (defaultFormat.nChannels >= 3)
        return MSG_TOO_MANY_SPEAKERS;
    if (defaultFormat.nChannels == 0)
        return MSG_NO_SPEAKER;
    return nullptr;
}

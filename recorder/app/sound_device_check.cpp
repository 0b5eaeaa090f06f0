#include "sound_device_check.h"

#include "app/brisa_record_app.h"
#include "sndgrab.h"

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

const char* SoundDeviceProblem()
{
    NWaveRec capture; // held for the duration of the check
    const int loopback = NWaveRec::IsLoopback(-1);
    return SoundDeviceProblemFor(loopback, loopback ? NWaveRec::GetDefaultFormat(-1) : WAVEFORMATEX{});
}

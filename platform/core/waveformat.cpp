#include "waveformat.h"

#include <cstring>

WAVEFORMATEX MakePcmFormat(DWORD samplesPerSec, WORD channels, WORD bitsPerSample)
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = samplesPerSec;
    f.wBitsPerSample = bitsPerSample;
    f.nBlockAlign = static_cast<WORD>(channels * (bitsPerSample / 8));
    f.nAvgBytesPerSec = f.nBlockAlign * samplesPerSec;
    f.cbSize = 0;
    return f;
}

bool IsConsistentPcm(const WAVEFORMATEX& fmt)
{
    return fmt.wFormatTag == WAVE_FORMAT_PCM && fmt.cbSize == 0 && fmt.nChannels > 0
        && fmt.wBitsPerSample % 8 == 0 && fmt.wBitsPerSample > 0
        && fmt.nBlockAlign == fmt.nChannels * (fmt.wBitsPerSample / 8)
        && fmt.nAvgBytesPerSec == fmt.nBlockAlign * fmt.nSamplesPerSec;
}

bool operator==(const WAVEFORMATEX& a, const WAVEFORMATEX& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// WAVEFORMATEX: the packed 18-byte wave-format record, laid out byte for byte
// as in WAV headers and the media interfaces.
#pragma once

#include "wintypes.h"

constexpr WORD WAVE_FORMAT_PCM = 1;

#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX must be the 18-byte Windows record");

// A PCM format by the system's rule: tag 1, extra size 0,
// block align = channels x bytes per sample, bytes per second = block align x rate.
WAVEFORMATEX MakePcmFormat(DWORD samplesPerSec, WORD channels, WORD bitsPerSample);

// True when fmt is PCM and its derived fields agree with the rule above.
bool IsConsistentPcm(const WAVEFORMATEX& fmt);

bool operator==(const WAVEFORMATEX& a, const WAVEFORMATEX& b);

// The installed WMA codec's formats, the platform's own knowledge of what
// its encoder offers: for each channel count and rate several bit rates,
// highest first.  Rates and layouts the recorder refuses for WMA (12000 and
// 24000 Hz, 11025 Hz stereo, 48000 Hz mono) are not offered.
#pragma once

#include "wmf.h"

#include <cstddef>
#include <span>

namespace wmf {

struct WmaFormat {
    WORD channels;
    DWORD rate;
    DWORD bitrate; // bits per second, a multiple of 8
};

std::span<const WmaFormat> WmaFormats();
// The codec's wave format for a table entry, with its extra bytes.
struct WmaWave {
    WAVEFORMATEX wave;
    BYTE extra[10];
};
WmaWave MakeWmaWave(const WmaFormat& f);
extern const WCHAR kWmaCodecName[];

} // namespace wmf

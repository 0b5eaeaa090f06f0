#include "codec_table.h"

#include <cstring>

namespace wmf {

namespace {

// The encoder needs at least 24 kbit/s; the bit rates keep its frames below
// the largest block it writes.
constexpr WmaFormat kFormats[] = {
    {2, 48000, 192000}, {2, 48000, 160000}, {2, 48000, 128000},
    {2, 44100, 192000}, {2, 44100, 160000}, {2, 44100, 128000}, {2, 44100, 96000},
    {1, 44100, 96000},  {1, 44100, 64000},  {1, 44100, 48000},
    {2, 32000, 128000}, {2, 32000, 96000},  {2, 32000, 64000},
    {1, 32000, 64000},  {1, 32000, 48000},
    {2, 22050, 96000},  {2, 22050, 64000},  {2, 22050, 48000},
    {1, 22050, 48000},  {1, 22050, 32000},
    {2, 16000, 64000},  {2, 16000, 48000},  {2, 16000, 32000},
    {1, 16000, 48000},  {1, 16000, 32000},  {1, 16000, 24000},
    {1, 11025, 32000},  {1, 11025, 24000},
    {2, 8000, 48000},   {2, 8000, 32000},
    {1, 8000, 32000},   {1, 8000, 24000},
};

// Samples per block of the encoder at a rate (its frame length).
DWORD FrameLength(DWORD rate)
{
    return rate <= 16000 ? 512 : rate <= 22050 ? 1024 : 2048;
}

} // namespace

const WCHAR kWmaCodecName[] = u"Windows Media Audio 2";

std::span<const WmaFormat> WmaFormats()
{
    return kFormats;
}

WmaWave MakeWmaWave(const WmaFormat& f)
{
    WmaWave w{};
    w.wave.wFormatTag = WAVE_FORMAT_WMAUDIO2;
    w.wave.nChannels = f.channels;
    w.wave.nSamplesPerSec = f.rate;
    w.wave.nAvgBytesPerSec = f.bitrate / 8;
    w.wave.nBlockAlign = static_cast<WORD>(static_cast<ULONGLONG>(f.bitrate) * FrameLength(f.rate) / (8ull * f.rate));
    w.wave.wBitsPerSample = 16;
    w.wave.cbSize = sizeof w.extra;
    // Samples per block, then the encode options (bit 0: superframes).
    const DWORD samplesPerBlock = FrameLength(f.rate);
    std::memcpy(w.extra, &samplesPerBlock, 4);
    const WORD options = 1;
    std::memcpy(w.extra + 4, &options, 2);
    return w;
}

} // namespace wmf

// The canonical WAV header, written where the caller's file stands.
#include "files/file.h"
#include "sndgrab.h"

namespace {

BYTE* Put(BYTE* p, const char (&tag)[5])
{
    std::copy(tag, tag + 4, p);
    return p + 4;
}

BYTE* Put(BYTE* p, DWORD value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        *p++ = static_cast<BYTE>(value >> (8 * i));
    return p;
}

} // namespace

int NWaveRec::WriteWaveHeader(CFile* file, WORD bitsPerSample, WORD channels, DWORD samplesPerSec, DWORD dataBytes)
{
    if (!file)
        return 0;
    const WAVEFORMATEX fmt = MakePcmFormat(samplesPerSec, channels, bitsPerSample);
    BYTE header[44];
    BYTE* p = Put(header, "RIFF");
    p = Put(p, 36 + dataBytes, 4);
    p = Put(p, "WAVE");
    p = Put(p, "fmt ");
    p = Put(p, 16, 4);
    p = Put(p, fmt.wFormatTag, 2);
    p = Put(p, fmt.nChannels, 2);
    p = Put(p, fmt.nSamplesPerSec, 4);
    p = Put(p, fmt.nAvgBytesPerSec, 4);
    p = Put(p, fmt.nBlockAlign, 2);
    p = Put(p, fmt.wBitsPerSample, 2);
    p = Put(p, "data");
    Put(p, dataBytes, 4);
    return file->Write(header, sizeof header) ? 1 : 0;
}

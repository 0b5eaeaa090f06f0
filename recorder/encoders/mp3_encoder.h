// CMp3Encoder: 16-bit PCM to an MP3 stream through the MP3 encoder library
// ("lame_enc.dll"), loaded by name at Begin and unloaded at Close.  The
// caller writes the returned bytes; the encoder never touches a file.
// Life cycle: Begin, Encode per block, Flush, Close.  Close is safe at any
// time, also after a failed Begin, and the object is reused from file to file.
#pragma once

#include "core/waveformat.h"
#include "lame_enc.h"
#include "module/module.h"

class CMp3Encoder {
public:
    CMp3Encoder() = default;
    ~CMp3Encoder();
    CMp3Encoder(const CMp3Encoder&) = delete;
    CMp3Encoder& operator=(const CMp3Encoder&) = delete;

    // Constant bit rate (kbit/s), mono for one channel, else joint stereo.
    // 1 on success, with the preferred chunk in bytes of 16-bit PCM and the
    // most MP3 bytes one chunk can give; 0 when the library is missing or
    // refuses the format.
    int Begin(const WAVEFORMATEX* pFormat, int bitrateKbps, DWORD* pChunkBytes, DWORD* pMaxOutputBytes);
    // Encodes byteCount / 2 samples (all channels interleaved).  1 and the
    // MP3 bytes produced (possibly 0), or 0.  pOutput must hold what the
    // library may give for the block (callers take 4 x the reported maximum).
    int Encode(const BYTE* pData, DWORD byteCount, BYTE* pOutput, DWORD* pOutputBytes);
    // Ends the stream and returns its last bytes.  1 on success.
    int Flush(BYTE* pOutput, DWORD* pOutputBytes);
    // Closes the stream and unloads the library.  1 when a stream was closed.
    int Close();

private:
    HMODULE m_hModule = nullptr;
    HBE_STREAM m_hStream = 0;
    WAVEFORMATEX m_Format{};
    BEENCODECHUNK m_pfnEncodeChunk = nullptr;
};

// CAcmConverter: PCM to PCM conversion (sample rate, channels, bits) through
// a compression-manager stream.  The recording and extraction engines each
// own one and reopen it for every file.  Each Convert is one block; the
// stream keeps the resampler's state between blocks, nothing else.
// Not thread-safe: one thread at a time (the capture thread while recording).
#pragma once

#include "acm/acm.h"

#include <memory>

class CAcmConverter {
public:
    CAcmConverter() = default;
    virtual ~CAcmConverter();
    CAcmConverter(const CAcmConverter&) = delete;
    CAcmConverter& operator=(const CAcmConverter&) = delete;

    // A PCM format by the system's rule (tag 1, extra size 0, derived fields).
    static void FillPcmFormat(WAVEFORMATEX* pFormat, DWORD samplesPerSec, WORD bitsPerSample, WORD channels);

    // 1 on success; 0 when already open (the open stream stays as it is), a
    // format is null or the pair cannot be converted.
    int Open(const WAVEFORMATEX* pSource, const WAVEFORMATEX* pDest);
    // Destination bytes to provide for that many source bytes; -1 when
    // closed or refused.
    int DestSize(DWORD sourceBytes);
    // Destination bytes produced; -1 when closed or on failure.  The caller
    // sizes the destination with DestSize of the same source count.
    int Convert(const BYTE* pSource, BYTE* pDest, DWORD sourceBytes, DWORD destBytes);
    // Closes the stream and forgets both formats; nothing when closed.
    void Close();

    bool IsOpen() const { return m_hStream != nullptr; }
    const WAVEFORMATEX* GetSourceFormat() const { return m_pSrcFormat.get(); }
    const WAVEFORMATEX* GetDestFormat() const { return m_pDstFormat.get(); }

private:
    HACMSTREAM m_hStream = nullptr;
    std::unique_ptr<WAVEFORMATEX> m_pSrcFormat;
    std::unique_ptr<WAVEFORMATEX> m_pDstFormat;
};

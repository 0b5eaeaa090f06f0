// CWmaWriter: PCM into a WMA file through the Windows Media writer.  The
// writer creates the file at Begin and finishes it at End; each Write is one
// timed sample.  Life cycle: ListBitrates, Begin, Write per block, End,
// Close.  Close is safe at any time, also after a failed Begin.
#pragma once

#include "wmf/wmf.h"

#include <string>

class CWmaWriter {
public:
    CWmaWriter() = default;
    ~CWmaWriter();
    CWmaWriter(const CWmaWriter&) = delete;
    CWmaWriter& operator=(const CWmaWriter&) = delete;

    // The WMA bit rates offered for the format's channels and rate, in the
    // codec's order, into a new array that the caller deletes (delete[]);
    // null when the codecs cannot be enumerated.  *pCount gets the length.
    DWORD* ListBitrates(const WAVEFORMATEX* pFormat, int* pCount);
    // 1 when the file was created and writing began.
    int Begin(const std::string& path, const WAVEFORMATEX* pFormat, DWORD bitrate);
    // 1 when the sample was written.  The time line advances by the block's
    // length either way, so later blocks keep their place.
    int Write(const BYTE* pData, DWORD byteCount);
    // 1 when the file was finished without error.
    int End();
    void Close();

    QWORD GetTimeMs() const { return m_qwTimeMs; }

private:
    IWMProfile* m_pProfile = nullptr;
    IWMInputMediaProps* m_pInputProps = nullptr;
    IWMWriter* m_pWriter = nullptr;
    DWORD m_dwAudioInput = 0;
    QWORD m_qwTimeMs = 0;
    WAVEFORMATEX m_Format{};
};

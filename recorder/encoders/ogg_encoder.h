// COggEncoder: 16-bit mono or stereo PCM to an Ogg Vorbis stream (libvorbis,
// variable bit rate; libogg pages).  The three header packets go straight to
// the caller's file on pages of their own; the audio pages of each block are
// copied into the caller's buffer.  Life cycle: Begin, WriteHeaders, Encode
// per block, Flush (end-of-stream page), Close.  Close is safe at any time.
#pragma once

#include "core/waveformat.h"
#include "files/file.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>

class COggEncoder {
public:
    COggEncoder() = default;
    ~COggEncoder();
    COggEncoder(const COggEncoder&) = delete;
    COggEncoder& operator=(const COggEncoder&) = delete;

    // Serial -1: seeded from the time in seconds (two starts in the same
    // second share it).  A quality above the library's range of -0.1..1.0
    // means its highest.  1 on success, 0 when the set-up is refused.
    int Begin(const WAVEFORMATEX* pFormat, int serial, float quality);
    // Writes the pending header pages; 0 when pFile is null or not open, or
    // a write fails.
    int WriteHeaders(CFile* pFile);
    // 1 and the bytes of every page this block completed (possibly 0); 0 for
    // an empty block, an input that is neither mono nor stereo, or before
    // Begin.  pOutput must hold the pages of one block (callers give one
    // second of input bytes).
    int Encode(const BYTE* pData, DWORD byteCount, BYTE* pOutput, DWORD* pOutputBytes);
    // Ends the stream: the remaining pages, the last flagged end-of-stream.
    int Flush(BYTE* pOutput, DWORD* pOutputBytes);
    // Frees the library state if started.
    int Close();

private:
    // Moves finished blocks into packets and completed pages into pOutput.
    DWORD DrainPages(BYTE* pOutput);

    int m_bStarted = 0;
    WAVEFORMATEX m_Format{};
    vorbis_info m_vi{};
    vorbis_dsp_state m_vd{};
    vorbis_block m_vb{};
    ogg_stream_state m_os{};
    ogg_page m_og{};
    ogg_packet m_op{};
};

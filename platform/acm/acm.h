// Audio compression manager streams, for PCM to PCM only: sample rate,
// channel count (mono/stereo) and 8/16 bits.  A stream keeps the resampler's
// state between conversions, so consecutive blocks join without clicks.
// One stream belongs to one thread at a time.
#pragma once

#include "core/mmresult.h"
#include "core/waveformat.h"
#include "core/wintypes.h"

#include <cstddef>

constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
constexpr MMRESULT ACMERR_UNPREPARED = 514;

constexpr DWORD ACM_STREAMOPENF_NONREALTIME = 0x00000004;
constexpr DWORD ACM_STREAMSIZEF_SOURCE = 0x00000000;
constexpr DWORD ACM_STREAMSIZEF_DESTINATION = 0x00000001;
constexpr DWORD ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
constexpr DWORD ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;

struct AcmStream;
using HACMSTREAM = AcmStream*;

struct ACMSTREAMHEADER {
    DWORD cbStruct;
    DWORD fdwStatus;
    DWORD_PTR dwUser;
    BYTE* pbSrc;
    DWORD cbSrcLength;
    DWORD cbSrcLengthUsed;
    DWORD_PTR dwSrcUser;
    BYTE* pbDst;
    DWORD cbDstLength;
    DWORD cbDstLengthUsed;
    DWORD_PTR dwDstUser;
    DWORD dwReservedDriver[10];
};

// Driver, filter and callback arguments exist for the callers' sake; only
// null/0 is supported.  ACMERR_NOTPOSSIBLE for a pair that is not PCM <-> PCM
// of 1-2 channels, 8/16 bits, 1000-192000 Hz.
MMRESULT acmStreamOpen(HACMSTREAM* phas, void* had, const WAVEFORMATEX* pwfxSrc, const WAVEFORMATEX* pwfxDst,
                       void* pwfltr, DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT acmStreamClose(HACMSTREAM has, DWORD fdwClose);
// Size of the output that cbInput bytes of source give (ACM_STREAMSIZEF_SOURCE),
// or of the source needed for cbInput bytes of output; rounded up, with room
// for what the resampler may still hold back from earlier blocks.
MMRESULT acmStreamSize(HACMSTREAM has, DWORD cbInput, DWORD* pdwOutputBytes, DWORD fdwSize);
MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, DWORD fdwPrepare);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, DWORD fdwUnprepare);
// Converts the whole source (whole frames) into the destination and reports
// the bytes used of each.  Output that does not fit the destination stays in
// the stream and comes out with the next conversion.
MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER* pash, DWORD fdwConvert);

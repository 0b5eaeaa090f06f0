// The MP3 encoder library's BladeEnc-style entry points, as its callers use
// them: a stream is initialised from a configuration record, fed chunks of
// interleaved 16-bit samples, ended and closed.  The library file is
// "lame_enc.dll" by the module-name rule; callers load it at run time.
#pragma once

#include "core/wintypes.h"

#include <cstddef>
#include <cstdint>

using HBE_STREAM = std::uintptr_t;
using BE_ERR = DWORD;

constexpr BE_ERR BE_ERR_SUCCESSFUL = 0x00000000;
constexpr BE_ERR BE_ERR_INVALID_FORMAT = 0x00000001;
constexpr BE_ERR BE_ERR_INVALID_FORMAT_PARAMETERS = 0x00000002;
constexpr BE_ERR BE_ERR_NO_MORE_HANDLES = 0x00000003;
constexpr BE_ERR BE_ERR_INVALID_HANDLE = 0x00000004;
constexpr BE_ERR BE_ERR_BUFFER_TOO_SMALL = 0x00000005;

constexpr DWORD BE_CONFIG_LAME = 256;   // the only record layout understood
constexpr DWORD BE_LAME_STRUCT_VERSION = 1;

constexpr LONG BE_MP3_MODE_STEREO = 0;
constexpr LONG BE_MP3_MODE_JSTEREO = 1;
constexpr LONG BE_MP3_MODE_DUALCHANNEL = 2;
constexpr LONG BE_MP3_MODE_MONO = 3;

constexpr DWORD BE_MPEG1 = 1;
constexpr DWORD BE_MPEG2 = 0;

#pragma pack(push, 1)
// The configuration record in its LAME layout (version 1): 331 bytes.
struct BE_CONFIG {
    DWORD dwConfig; // BE_CONFIG_LAME
    struct {
        DWORD dwStructVersion;
        DWORD dwStructSize;
        DWORD dwSampleRate;   // input rate
        DWORD dwReSampleRate; // 0: the encoder decides
        LONG nMode;           // BE_MP3_MODE_*
        DWORD dwBitrate;      // kbit/s (minimum bitrate with VBR)
        DWORD dwMaxBitrate;
        LONG nPreset;         // -1: none
        DWORD dwMpegVersion;
        DWORD dwPsyModel;
        DWORD dwEmphasis;
        BOOL bPrivate;
        BOOL bCRC;
        BOOL bCopyright;
        BOOL bOriginal;
        BOOL bWriteVBRHeader;
        BOOL bEnableVBR;
        int nVBRQuality;
        DWORD dwVbrAbr_bps;
        int nVbrMethod;
        BOOL bNoRes;
        BOOL bStrictIso;
        WORD nQuality;
        BYTE btReserved[255 - 4 * sizeof(DWORD) - sizeof(WORD)];
    } LHV1;
};
#pragma pack(pop)
static_assert(sizeof(BE_CONFIG) == 331, "the LAME configuration record is 331 bytes");
static_assert(offsetof(BE_CONFIG, LHV1.dwSampleRate) == 12 && offsetof(BE_CONFIG, LHV1.nMode) == 20
                  && offsetof(BE_CONFIG, LHV1.bPrivate) == 48 && offsetof(BE_CONFIG, LHV1.nQuality) == 92,
              "fields at their places in the record");

// Entry points (exported with C linkage).  Sample counts are 16-bit values
// of all channels together.
using BEINITSTREAM = BE_ERR (*)(BE_CONFIG* pConfig, DWORD* dwSamples, DWORD* dwBufferSize, HBE_STREAM* phStream);
using BEENCODECHUNK = BE_ERR (*)(HBE_STREAM hStream, DWORD nSamples, short* pSamples, BYTE* pOutput,
                                 DWORD* pdwOutput);
using BEDEINITSTREAM = BE_ERR (*)(HBE_STREAM hStream, BYTE* pOutput, DWORD* pdwOutput);
using BECLOSESTREAM = BE_ERR (*)(HBE_STREAM hStream);

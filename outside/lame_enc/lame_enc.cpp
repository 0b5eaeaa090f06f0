// The MP3 encoder library over libmp3lame.  Streams are always constant
// bit rate here: the recorder asks for nothing else.

#include "lame_enc.h"

#include "module/module.h"

#include <lame/lame.h>

namespace {

struct Stream {
    lame_global_flags* gf;
    int channels;
};

Stream* FromHandle(HBE_STREAM h)
{
    return reinterpret_cast<Stream*>(h);
}

// LAME's own worst case for n samples per channel.
DWORD MaxOutputBytes(DWORD samplesPerChannel)
{
    return samplesPerChannel * 5 / 4 + 7200;
}

} // namespace

QX_EXPORT BE_ERR beInitStream(BE_CONFIG* pConfig, DWORD* dwSamples, DWORD* dwBufferSize, HBE_STREAM* phStream)
{
    if (!pConfig || !dwSamples || !dwBufferSize || !phStream)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (pConfig->dwConfig != BE_CONFIG_LAME || pConfig->LHV1.dwStructVersion < BE_LAME_STRUCT_VERSION
        || pConfig->LHV1.dwStructSize < sizeof(BE_CONFIG))
        return BE_ERR_INVALID_FORMAT;
    const auto& c = pConfig->LHV1;
    if (c.dwSampleRate == 0)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    const int channels = c.nMode == BE_MP3_MODE_MONO ? 1 : 2;

    lame_global_flags* gf = lame_init();
    if (!gf)
        return BE_ERR_NO_MORE_HANDLES;
    lame_set_num_channels(gf, channels);
    lame_set_in_samplerate(gf, static_cast<int>(c.dwSampleRate));
    if (c.dwReSampleRate)
        lame_set_out_samplerate(gf, static_cast<int>(c.dwReSampleRate));
    switch (c.nMode) {
    case BE_MP3_MODE_MONO: lame_set_mode(gf, MONO); break;
    case BE_MP3_MODE_STEREO: lame_set_mode(gf, STEREO); break;
    case BE_MP3_MODE_DUALCHANNEL: lame_set_mode(gf, DUAL_CHANNEL); break;
    default: lame_set_mode(gf, JOINT_STEREO); break;
    }
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, static_cast<int>(c.dwBitrate));
    lame_set_bWriteVbrTag(gf, c.bWriteVBRHeader ? 1 : 0);
    lame_set_error_protection(gf, c.bCRC ? 1 : 0);
    lame_set_extension(gf, c.bPrivate ? 1 : 0);
    lame_set_copyright(gf, c.bCopyright ? 1 : 0);
    lame_set_original(gf, c.bOriginal ? 1 : 0);
    lame_set_emphasis(gf, static_cast<int>(c.dwEmphasis));
    lame_set_strict_ISO(gf, c.bStrictIso ? 1 : 0);
    lame_set_disable_reservoir(gf, c.bNoRes ? 1 : 0);
    if (c.nQuality)
        lame_set_quality(gf, c.nQuality & 0xFF);
    if (lame_init_params(gf) < 0) {
        lame_close(gf);
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }
    // The preferred chunk is one MP3 frame of every channel.
    const DWORD frameSamples = static_cast<DWORD>(lame_get_framesize(gf));
    *dwSamples = frameSamples * static_cast<DWORD>(channels);
    *dwBufferSize = MaxOutputBytes(frameSamples);
    *phStream = reinterpret_cast<HBE_STREAM>(new Stream{gf, channels});
    return BE_ERR_SUCCESSFUL;
}

QX_EXPORT BE_ERR beEncodeChunk(HBE_STREAM hStream, DWORD nSamples, short* pSamples, BYTE* pOutput, DWORD* pdwOutput)
{
    Stream* s = FromHandle(hStream);
    if (!s || !pdwOutput || (nSamples && (!pSamples || !pOutput)))
        return BE_ERR_INVALID_HANDLE;
    const int frames = static_cast<int>(nSamples / static_cast<DWORD>(s->channels));
    // The interface has no output size: the caller provides LAME's worst case.
    const int room = static_cast<int>(MaxOutputBytes(static_cast<DWORD>(frames)));
    int n = s->channels == 1 ? lame_encode_buffer(s->gf, pSamples, nullptr, frames, pOutput, room)
                             : lame_encode_buffer_interleaved(s->gf, pSamples, frames, pOutput, room);
    if (n < 0) {
        *pdwOutput = 0;
        return BE_ERR_BUFFER_TOO_SMALL;
    }
    *pdwOutput = static_cast<DWORD>(n);
    return BE_ERR_SUCCESSFUL;
}

QX_EXPORT BE_ERR beDeinitStream(HBE_STREAM hStream, BYTE* pOutput, DWORD* pdwOutput)
{
    Stream* s = FromHandle(hStream);
    if (!s || !pOutput || !pdwOutput)
        return BE_ERR_INVALID_HANDLE;
    int n = lame_encode_flush(s->gf, pOutput, static_cast<int>(MaxOutputBytes(0)));
    if (n < 0) {
        *pdwOutput = 0;
        return BE_ERR_BUFFER_TOO_SMALL;
    }
    *pdwOutput = static_cast<DWORD>(n);
    return BE_ERR_SUCCESSFUL;
}

QX_EXPORT BE_ERR beCloseStream(HBE_STREAM hStream)
{
    Stream* s = FromHandle(hStream);
    if (!s)
        return BE_ERR_INVALID_HANDLE;
    lame_close(s->gf);
    delete s;
    return BE_ERR_SUCCESSFUL;
}

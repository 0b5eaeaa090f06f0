#include "acm.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cstring>

struct AcmStream {
    WAVEFORMATEX src;
    WAVEFORMATEX dst;
    SwrContext* swr = nullptr; // null when the formats are equal: a plain copy
};

namespace {

// Frames the resampler may hold back and release with a later block; the
// size query leaves room for them so that a block never has to stay behind.
constexpr DWORD kSlackFrames = 64;

bool SupportedPcm(const WAVEFORMATEX* f)
{
    return f && IsConsistentPcm(*f) && (f->nChannels == 1 || f->nChannels == 2)
        && (f->wBitsPerSample == 8 || f->wBitsPerSample == 16) && f->nSamplesPerSec >= 1000
        && f->nSamplesPerSec <= 192000;
}

bool SameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b)
{
    return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec && a.wBitsPerSample == b.wBitsPerSample;
}

AVSampleFormat SampleFormat(const WAVEFORMATEX& f)
{
    return f.wBitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
}

// Channel mixing as the system's PCM converter does it: mono is copied to
// both sides, stereo is averaged to mono.  (The resampler's own default
// would lower the level by 3 dB.)
SwrContext* CreateResampler(const WAVEFORMATEX& src, const WAVEFORMATEX& dst)
{
    AVChannelLayout inLayout, outLayout;
    av_channel_layout_default(&inLayout, src.nChannels);
    av_channel_layout_default(&outLayout, dst.nChannels);
    SwrContext* swr = nullptr;
    if (swr_alloc_set_opts2(&swr, &outLayout, SampleFormat(dst), static_cast<int>(dst.nSamplesPerSec), &inLayout,
                            SampleFormat(src), static_cast<int>(src.nSamplesPerSec), 0, nullptr) < 0)
        return nullptr;
    // Filtering in floating point: with 16-bit samples the resampler would
    // otherwise filter in 16-bit integers, which leaves noise at about -80 dB.
    av_opt_set_sample_fmt(swr, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0);
    if (src.nChannels != dst.nChannels) {
        const double toStereo[2] = {1.0, 1.0};
        const double toMono[2] = {0.5, 0.5};
        swr_set_matrix(swr, dst.nChannels == 2 ? toStereo : toMono, 1);
    }
    if (swr_init(swr) < 0) {
        swr_free(&swr);
        return nullptr;
    }
    return swr;
}

DWORD FramesForRate(DWORD frames, DWORD fromRate, DWORD toRate)
{
    return static_cast<DWORD>((static_cast<ULONGLONG>(frames) * toRate + fromRate - 1) / fromRate);
}

} // namespace

MMRESULT acmStreamOpen(HACMSTREAM* phas, void* had, const WAVEFORMATEX* pwfxSrc, const WAVEFORMATEX* pwfxDst,
                       void* pwfltr, DWORD_PTR dwCallback, DWORD_PTR, DWORD fdwOpen)
{
    if (!phas)
        return MMSYSERR_INVALPARAM;
    *phas = nullptr;
    if (had || pwfltr || dwCallback || (fdwOpen & ~ACM_STREAMOPENF_NONREALTIME))
        return MMSYSERR_INVALFLAG;
    if (!pwfxSrc || !pwfxDst)
        return MMSYSERR_INVALPARAM;
    if (!SupportedPcm(pwfxSrc) || !SupportedPcm(pwfxDst))
        return ACMERR_NOTPOSSIBLE;
    auto* s = new AcmStream{*pwfxSrc, *pwfxDst};
    if (!SameFormat(s->src, s->dst)) {
        s->swr = CreateResampler(s->src, s->dst);
        if (!s->swr) {
            delete s;
            return ACMERR_NOTPOSSIBLE;
        }
    }
    *phas = s;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM has, DWORD)
{
    if (!has)
        return MMSYSERR_INVALHANDLE;
    swr_free(&has->swr);
    delete has;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamSize(HACMSTREAM has, DWORD cbInput, DWORD* pdwOutputBytes, DWORD fdwSize)
{
    if (!has)
        return MMSYSERR_INVALHANDLE;
    if (!pdwOutputBytes)
        return MMSYSERR_INVALPARAM;
    const bool fromSource = fdwSize == ACM_STREAMSIZEF_SOURCE;
    if (!fromSource && fdwSize != ACM_STREAMSIZEF_DESTINATION)
        return MMSYSERR_INVALFLAG;
    const WAVEFORMATEX& in = fromSource ? has->src : has->dst;
    const WAVEFORMATEX& out = fromSource ? has->dst : has->src;
    DWORD frames = cbInput / in.nBlockAlign;
    if (frames == 0) {
        *pdwOutputBytes = 0;
        return cbInput == 0 ? MMSYSERR_NOERROR : ACMERR_NOTPOSSIBLE;
    }
    DWORD outFrames = FramesForRate(frames, in.nSamplesPerSec, out.nSamplesPerSec);
    if (has->swr && fromSource)
        outFrames += kSlackFrames;
    *pdwOutputBytes = outFrames * out.nBlockAlign;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, DWORD)
{
    if (!has)
        return MMSYSERR_INVALHANDLE;
    if (!pash || pash->cbStruct < sizeof(ACMSTREAMHEADER) || !pash->pbSrc || !pash->pbDst)
        return MMSYSERR_INVALPARAM;
    pash->fdwStatus |= ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, DWORD)
{
    if (!has)
        return MMSYSERR_INVALHANDLE;
    if (!pash || !(pash->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED))
        return ACMERR_UNPREPARED;
    pash->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER* pash, DWORD)
{
    if (!has)
        return MMSYSERR_INVALHANDLE;
    if (!pash || !(pash->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED))
        return ACMERR_UNPREPARED;
    const int inFrames = static_cast<int>(pash->cbSrcLength / has->src.nBlockAlign);
    const int outCapacity = static_cast<int>(pash->cbDstLength / has->dst.nBlockAlign);
    int outFrames;
    if (!has->swr) {
        outFrames = inFrames < outCapacity ? inFrames : outCapacity;
        std::memcpy(pash->pbDst, pash->pbSrc, static_cast<std::size_t>(outFrames) * has->dst.nBlockAlign);
    } else {
        uint8_t* out[1] = {pash->pbDst};
        const uint8_t* in[1] = {pash->pbSrc};
        outFrames = swr_convert(has->swr, out, outCapacity, in, inFrames);
        if (outFrames < 0)
            return ACMERR_NOTPOSSIBLE;
    }
    pash->cbSrcLengthUsed = static_cast<DWORD>(inFrames) * has->src.nBlockAlign;
    pash->cbDstLengthUsed = static_cast<DWORD>(outFrames) * has->dst.nBlockAlign;
    pash->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}

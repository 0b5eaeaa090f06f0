#include "wm_object.h"

#include <cstring>

namespace wmf {

const WAVEFORMATEX* MediaType::Wave() const
{
    if (!(formattype == WMFORMAT_WaveFormatEx) || format.size() < sizeof(WAVEFORMATEX))
        return nullptr;
    auto* wave = reinterpret_cast<const WAVEFORMATEX*>(format.data());
    return format.size() >= sizeof(WAVEFORMATEX) + wave->cbSize ? wave : nullptr;
}

MediaType MediaType::FromWave(const WAVEFORMATEX& wave, const BYTE* extra)
{
    MediaType t;
    t.majortype = WMMEDIATYPE_Audio;
    t.subtype = WaveSubtypeFromTag(wave.wFormatTag);
    t.bFixedSizeSamples = TRUE;
    t.bTemporalCompression = FALSE;
    t.lSampleSize = wave.nBlockAlign;
    t.formattype = WMFORMAT_WaveFormatEx;
    t.format.assign(sizeof wave + wave.cbSize, 0);
    std::memcpy(t.format.data(), &wave, sizeof wave);
    if (extra && wave.cbSize)
        std::memcpy(t.format.data() + sizeof wave, extra, wave.cbSize);
    return t;
}

HRESULT GetMediaTypeInto(const MediaType& type, WM_MEDIA_TYPE* pType, DWORD* pcbType)
{
    if (!pcbType)
        return E_POINTER;
    const DWORD needed = static_cast<DWORD>(sizeof(WM_MEDIA_TYPE) + type.format.size());
    if (!pType) {
        *pcbType = needed;
        return S_OK;
    }
    if (*pcbType < needed) {
        *pcbType = needed;
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    // The format block follows the record in the caller's buffer.
    BYTE* block = reinterpret_cast<BYTE*>(pType) + sizeof(WM_MEDIA_TYPE);
    pType->majortype = type.majortype;
    pType->subtype = type.subtype;
    pType->bFixedSizeSamples = type.bFixedSizeSamples;
    pType->bTemporalCompression = type.bTemporalCompression;
    pType->lSampleSize = type.lSampleSize;
    pType->formattype = type.formattype;
    pType->pUnk = nullptr;
    pType->cbFormat = static_cast<ULONG>(type.format.size());
    pType->pbFormat = type.format.empty() ? nullptr : block;
    if (!type.format.empty())
        std::memcpy(block, type.format.data(), type.format.size());
    *pcbType = needed;
    return S_OK;
}

HRESULT SetMediaTypeFrom(MediaType& type, const WM_MEDIA_TYPE* pType)
{
    if (!pType || (pType->cbFormat && !pType->pbFormat))
        return E_POINTER;
    MediaType t;
    t.majortype = pType->majortype;
    t.subtype = pType->subtype;
    t.bFixedSizeSamples = pType->bFixedSizeSamples;
    t.bTemporalCompression = pType->bTemporalCompression;
    t.lSampleSize = pType->lSampleSize;
    t.formattype = pType->formattype;
    t.format.assign(pType->pbFormat, pType->pbFormat + pType->cbFormat);
    if (t.formattype == WMFORMAT_WaveFormatEx && !t.Wave())
        return E_INVALIDARG;
    type = std::move(t);
    return S_OK;
}

} // namespace wmf

#include "mtype.h"

#include <cstring>

void FreeMediaType(AM_MEDIA_TYPE& mt)
{
    if (mt.pbFormat) {
        CoTaskMemFree(mt.pbFormat);
        mt.pbFormat = nullptr;
    }
    mt.cbFormat = 0;
    if (mt.pUnk) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

void DeleteMediaType(AM_MEDIA_TYPE* pmt)
{
    if (!pmt)
        return;
    FreeMediaType(*pmt);
    CoTaskMemFree(pmt);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* src)
{
    if (!dest || !src)
        return E_POINTER;
    *dest = *src;
    if (src->cbFormat && src->pbFormat) {
        dest->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(src->cbFormat));
        if (!dest->pbFormat) {
            dest->cbFormat = 0;
            dest->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(dest->pbFormat, src->pbFormat, src->cbFormat);
    } else {
        dest->pbFormat = nullptr;
        dest->cbFormat = 0;
    }
    if (dest->pUnk)
        dest->pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* src)
{
    auto* pmt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!pmt)
        return nullptr;
    if (FAILED(CopyMediaType(pmt, src))) {
        CoTaskMemFree(pmt);
        return nullptr;
    }
    return pmt;
}

CMediaType::CMediaType()
{
    std::memset(static_cast<AM_MEDIA_TYPE*>(this), 0, sizeof(AM_MEDIA_TYPE));
    lSampleSize = 1;
    bFixedSizeSamples = TRUE;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& mt) : CMediaType()
{
    CopyMediaType(this, &mt);
}

CMediaType::CMediaType(const CMediaType& mt) : CMediaType(static_cast<const AM_MEDIA_TYPE&>(mt)) {}

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& mt)
{
    if (&mt != this) {
        FreeMediaType(*this);
        CopyMediaType(this, &mt);
    }
    return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& mt)
{
    return *this = static_cast<const AM_MEDIA_TYPE&>(mt);
}

CMediaType::~CMediaType()
{
    FreeMediaType(*this);
}

bool CMediaType::SetFormat(const void* data, ULONG size)
{
    BYTE* block = size ? static_cast<BYTE*>(CoTaskMemAlloc(size)) : nullptr;
    if (size && !block)
        return false;
    if (size)
        std::memcpy(block, data, size);
    if (pbFormat)
        CoTaskMemFree(pbFormat);
    pbFormat = block;
    cbFormat = size;
    return true;
}

void CMediaType::SetObject(IUnknown* unk)
{
    if (unk)
        unk->AddRef();
    if (pUnk)
        pUnk->Release();
    pUnk = unk;
}

const WAVEFORMATEX* CMediaType::WaveFormat() const
{
    return formattype == FORMAT_WaveFormatEx && pbFormat && cbFormat >= sizeof(WAVEFORMATEX)
        ? reinterpret_cast<const WAVEFORMATEX*>(pbFormat) : nullptr;
}

bool CMediaType::MatchesPartial(const AM_MEDIA_TYPE& partial) const
{
    return (partial.majortype == GUID_NULL || partial.majortype == majortype)
        && (partial.subtype == GUID_NULL || partial.subtype == subtype)
        && (partial.formattype == GUID_NULL || partial.formattype == formattype);
}

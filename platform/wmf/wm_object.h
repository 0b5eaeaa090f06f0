// Reference counting and media-type storage shared by the runtime's objects.
#pragma once

#include "wmf.h"

#include <atomic>
#include <vector>

namespace wmf {

// Base of every runtime object: a reference count starting at 1; the last
// Release deletes the object.  Bases are the interfaces it implements.
template <class... Interfaces>
class WmObject : public Interfaces... {
public:
    ULONG AddRef() override { return ++m_ref; }
    ULONG Release() override
    {
        ULONG left = --m_ref;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    WmObject() = default;
    virtual ~WmObject() = default;

private:
    std::atomic<ULONG> m_ref{1};
};

// Hands out one more reference to an interface of an object.
template <class I> HRESULT HandOut(I* p, void** ppv)
{
    p->AddRef();
    *ppv = p;
    return S_OK;
}

// A media type with its own copy of the format block.
struct MediaType {
    GUID majortype{};
    GUID subtype{};
    BOOL bFixedSizeSamples = FALSE;
    BOOL bTemporalCompression = FALSE;
    ULONG lSampleSize = 0;
    GUID formattype{};
    std::vector<BYTE> format;

    // The wave format in the block, or null when it is not one.
    const WAVEFORMATEX* Wave() const;
    static MediaType FromWave(const WAVEFORMATEX& wave, const BYTE* extra);
};

// IWMMediaProps over one stored media type.
HRESULT GetMediaTypeInto(const MediaType& type, WM_MEDIA_TYPE* pType, DWORD* pcbType);
HRESULT SetMediaTypeFrom(MediaType& type, const WM_MEDIA_TYPE* pType);

} // namespace wmf

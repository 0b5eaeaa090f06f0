// CMediaType: an AM_MEDIA_TYPE that owns its format block and object
// reference, for filters that keep types.
#pragma once

#include "dshow.h"

class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    CMediaType(const AM_MEDIA_TYPE& mt);
    CMediaType(const CMediaType& mt);
    CMediaType& operator=(const AM_MEDIA_TYPE& mt);
    CMediaType& operator=(const CMediaType& mt);
    ~CMediaType();

    bool SetFormat(const void* data, ULONG size); // false when memory runs out
    void SetObject(IUnknown* unk);                // holds its own reference
    // The wave format of a FORMAT_WaveFormatEx type with a block large enough, else null.
    const WAVEFORMATEX* WaveFormat() const;
    // Null identifiers in partial match anything.
    bool MatchesPartial(const AM_MEDIA_TYPE& partial) const;
};

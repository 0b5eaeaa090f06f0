// NPrfMan: builds the one-stream audio profile the WMA writer writes with,
// for exactly one codec format (tag, rate, channels, bit rate).
#pragma once

#include "wmf/wmf.h"

#include <vector>

class NPrfMan {
public:
    NPrfMan() = default;
    ~NPrfMan();
    NPrfMan(const NPrfMan&) = delete;
    NPrfMan& operator=(const NPrfMan&) = delete;

    // Releases any previous manager and creates one.
    HRESULT CreateManager();
    void SetAudio(DWORD bitrate, WORD formatTag, DWORD sampleRate, WORD channels);
    // A new profile holding one audio stream in the codec format whose tag,
    // channels, rate and bit rate equal the settings; fails when the codec
    // has no such format or without a manager.  The caller releases it.
    HRESULT CreateProfile(IWMProfile** ppProfile);

private:
    // A copy of the codec's media type for the settings (format block
    // included), or failure.
    HRESULT FindCodecFormat(std::vector<BYTE>* pFormat);

    IWMProfileManager* m_pManager = nullptr;
    WORD m_wFormatTag = 0;
    DWORD m_dwSampleRate = 0;
    WORD m_wChannels = 0;
    DWORD m_dwBitrate = 0;
};

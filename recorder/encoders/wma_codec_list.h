// CWmaCodecList: the audio formats the installed Windows Media codecs offer,
// as one entry per codec format.  The WMA writer's ListBitrates reads it to
// find the bit rates for a channel count and sample rate.
#pragma once

#include "core/waveformat.h"

#include <string>
#include <vector>

constexpr int WMA_FORMAT_TAG = 0x161; // 353

struct WmaFormatEntry {
    int CodecIdx = 0;    // codec index as recorded (0 for all with the WMA-only flag)
    int index = 0;       // position among the entries recorded for its codec
    int nMedia = 1;      // 1: audio
    std::string description; // the codec's name
    int Brate = 0;       // bits per second
    int Srate = 0;       // samples per second
    int Channel = 0;
    int Codec = 0;       // format tag
};

class CWmaCodecList {
public:
    CWmaCodecList() = default;
    ~CWmaCodecList();
    CWmaCodecList(const CWmaCodecList&) = delete;
    CWmaCodecList& operator=(const CWmaCodecList&) = delete;

    // Clears the list and fills it; 0 only when the profile manager cannot be
    // created.  A failing format ends its codec's scan, a failing codec the
    // enumeration; the list keeps what it has.
    int EnumerateAudio(BOOL twoChannelLimit, BOOL wmaOnly);
    int GetCodecCount() const { return m_nAudioCodecs; }
    int GetFormatCount(int codecIdx) const;
    const WmaFormatEntry* FindFormat(int codecIdx, int index) const;
    int CountMatching(const WAVEFORMATEX* pFormat, int formatTag) const;
    // One line per entry, for diagnostics.
    std::string Dump() const;
    void Clear();

private:
    std::vector<WmaFormatEntry*> m_entries;
    int m_nAudioCodecs = 0;
};

#include "wma_codec_list.h"

#include "core/text.h"
#include "wmf/wmf.h"

#include <cstdio>

namespace {

// Reads the wave format of one codec format; false ends the codec's scan.
bool ReadFormat(IWMCodecInfo* info, DWORD codec, DWORD format, WAVEFORMATEX* out)
{
    IWMStreamConfig* config = nullptr;
    if (FAILED(info->GetCodecFormat(WMMEDIATYPE_Audio, codec, format, &config)))
        return false;
    IWMMediaProps* props = nullptr;
    bool ok = SUCCEEDED(config->QueryInterface(IID_IWMMediaProps, reinterpret_cast<void**>(&props)));
    DWORD size = 0;
    std::vector<BYTE> buffer;
    ok = ok && SUCCEEDED(props->GetMediaType(nullptr, &size));
    if (ok) {
        buffer.resize(size);
        ok = SUCCEEDED(props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(buffer.data()), &size));
    }
    if (ok) {
        const auto* type = reinterpret_cast<const WM_MEDIA_TYPE*>(buffer.data());
        ok = type->formattype == WMFORMAT_WaveFormatEx && type->pbFormat && type->cbFormat >= sizeof(WAVEFORMATEX);
        if (ok)
            *out = *reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
    }
    if (props)
        props->Release();
    config->Release();
    return ok;
}

bool ReadCodecName(IWMCodecInfo2* info, DWORD codec, std::string* out)
{
    DWORD length = 0;
    if (FAILED(info->GetCodecName(WMMEDIATYPE_Audio, codec, nullptr, &length)))
        return false;
    std::u16string name(length, u'\0');
    if (FAILED(info->GetCodecName(WMMEDIATYPE_Audio, codec, name.data(), &length)))
        return false;
    name.resize(name.find(u'\0') == std::u16string::npos ? name.size() : name.find(u'\0'));
    *out = Utf16ToUtf8(name);
    return true;
}

} // namespace

CWmaCodecList::~CWmaCodecList()
{
    Clear();
}

void CWmaCodecList::Clear()
{
    for (WmaFormatEntry* e : m_entries)
        delete e;
    m_entries.clear();
    m_nAudioCodecs = 0;
}

int CWmaCodecList::EnumerateAudio(BOOL twoChannelLimit, BOOL wmaOnly)
{
    Clear();
    IWMProfileManager* manager = nullptr;
    if (FAILED(WMCreateProfileManager(&manager)))
        return 0;
    IWMCodecInfo* info = nullptr;
    IWMCodecInfo2* info2 = nullptr;
    DWORD codecs = 0;
    if (SUCCEEDED(manager->QueryInterface(IID_IWMCodecInfo, reinterpret_cast<void**>(&info)))
        && SUCCEEDED(manager->QueryInterface(IID_IWMCodecInfo2, reinterpret_cast<void**>(&info2)))
        && SUCCEEDED(info->GetCodecInfoCount(WMMEDIATYPE_Audio, &codecs))) {
        m_nAudioCodecs = static_cast<int>(codecs);
        for (DWORD i = 0; i < codecs; ++i) {
            DWORD formats = 0;
            std::string name;
            if (FAILED(info->GetCodecFormatCount(WMMEDIATYPE_Audio, i, &formats)) || !ReadCodecName(info2, i, &name))
                break;
            int counter = 0;
            for (DWORD j = 0; j < formats; ++j) {
                WAVEFORMATEX wave{};
                if (!ReadFormat(info, i, j, &wave))
                    break;
                if (twoChannelLimit && wave.nChannels > 2)
                    continue;
                if (wmaOnly && wave.wFormatTag != WMA_FORMAT_TAG)
                    continue;
                if (wmaOnly)
                    m_nAudioCodecs = 1;
                auto* e = new WmaFormatEntry;
                e->CodecIdx = wmaOnly ? 0 : static_cast<int>(i);
                e->index = counter++;
                e->nMedia = 1;
                e->description = name;
                e->Brate = static_cast<int>(wave.nAvgBytesPerSec * 8);
                e->Srate = static_cast<int>(wave.nSamplesPerSec);
                e->Channel = wave.nChannels;
                e->Codec = wave.wFormatTag;
                m_entries.push_back(e);
            }
        }
    }
    if (info2)
        info2->Release();
    if (info)
        info->Release();
    manager->Release();
    return 1;
}

int CWmaCodecList::GetFormatCount(int codecIdx) const
{
    int n = 0;
    for (const WmaFormatEntry* e : m_entries)
        n += e->CodecIdx == codecIdx;
    return n;
}

const WmaFormatEntry* CWmaCodecList::FindFormat(int codecIdx, int index) const
{
    for (const WmaFormatEntry* e : m_entries)
        if (e->nMedia == 1 && e->CodecIdx == codecIdx && e->index == index)
            return e;
    return nullptr;
}

int CWmaCodecList::CountMatching(const WAVEFORMATEX* pFormat, int formatTag) const
{
    int n = 0;
    for (const WmaFormatEntry* e : m_entries)
        n += e->nMedia == 1 && e->Codec == formatTag && e->Channel == pFormat->nChannels
            && e->Srate == static_cast<int>(pFormat->nSamplesPerSec);
    return n;
}

std::string CWmaCodecList::Dump() const
{
    std::string out;
    char line[512];
    for (const WmaFormatEntry* e : m_entries) {
        std::snprintf(line, sizeof line,
                      "Brate : %d, Channel : %d, Codec : %d, Srate : %d, CodecIdx : %d, index : %d, nMedia : %d, %s\n",
                      e->Brate, e->Channel, e->Codec, e->Srate, e->CodecIdx, e->index, e->nMedia,
                      e->description.c_str());
        out += line;
    }
    return out;
}

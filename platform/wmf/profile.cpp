// Profile manager with its codec information, profiles and stream
// configurations.

#include "codec_table.h"
#include "wm_object.h"

#include <string>
#include <vector>

namespace wmf {
namespace {

class StreamConfig final : public WmObject<IWMStreamConfig, IWMMediaProps> {
public:
    explicit StreamConfig(const GUID& streamType) : m_streamType(streamType) {}

    StreamConfig* Clone() const
    {
        auto* c = new StreamConfig(m_streamType);
        c->m_number = m_number;
        c->m_name = m_name;
        c->m_connection = m_connection;
        c->m_bitrate = m_bitrate;
        c->m_type = m_type;
        return c;
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IWMStreamConfig)
            return HandOut(static_cast<IWMStreamConfig*>(this), ppv);
        if (riid == IID_IWMMediaProps)
            return HandOut(static_cast<IWMMediaProps*>(this), ppv);
        return E_NOINTERFACE;
    }

    HRESULT GetStreamType(GUID* p) override { return p ? (*p = m_streamType, S_OK) : E_POINTER; }
    HRESULT GetStreamNumber(WORD* p) override { return p ? (*p = m_number, S_OK) : E_POINTER; }
    HRESULT SetStreamNumber(WORD n) override
    {
        // Stream numbers run from 1 to 63.
        if (n < 1 || n > 63)
            return E_INVALIDARG;
        m_number = n;
        return S_OK;
    }
    HRESULT SetStreamName(const WCHAR* p) override { return p ? (m_name = p, S_OK) : E_POINTER; }
    HRESULT SetConnectionName(const WCHAR* p) override { return p ? (m_connection = p, S_OK) : E_POINTER; }
    HRESULT GetBitrate(DWORD* p) override { return p ? (*p = m_bitrate, S_OK) : E_POINTER; }
    HRESULT SetBitrate(DWORD b) override { return m_bitrate = b, S_OK; }

    HRESULT GetType(GUID* p) override { return GetStreamType(p); }
    HRESULT GetMediaType(WM_MEDIA_TYPE* pType, DWORD* pcb) override { return GetMediaTypeInto(m_type, pType, pcb); }
    HRESULT SetMediaType(WM_MEDIA_TYPE* pType) override
    {
        if (pType && !(pType->majortype == m_streamType))
            return NS_E_INVALID_STREAM;
        return SetMediaTypeFrom(m_type, pType);
    }

    MediaType m_type;

private:
    GUID m_streamType;
    WORD m_number = 0;
    std::u16string m_name;
    std::u16string m_connection;
    DWORD m_bitrate = 0;
};

class Profile final : public WmObject<IWMProfile> {
public:
    ~Profile() override
    {
        for (StreamConfig* s : m_streams)
            s->Release();
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IWMProfile)
            return HandOut(static_cast<IWMProfile*>(this), ppv);
        return E_NOINTERFACE;
    }

    HRESULT SetName(const WCHAR* p) override { return p ? (m_name = p, S_OK) : E_POINTER; }
    HRESULT SetDescription(const WCHAR* p) override { return p ? (m_description = p, S_OK) : E_POINTER; }
    HRESULT GetStreamCount(DWORD* p) override
    {
        return p ? (*p = static_cast<DWORD>(m_streams.size()), S_OK) : E_POINTER;
    }
    HRESULT GetStream(DWORD index, IWMStreamConfig** pp) override
    {
        if (!pp)
            return E_POINTER;
        *pp = nullptr;
        if (index >= m_streams.size())
            return E_INVALIDARG;
        return HandOut(static_cast<IWMStreamConfig*>(m_streams[index]), reinterpret_cast<void**>(pp));
    }
    HRESULT CreateNewStream(REFGUID streamType, IWMStreamConfig** pp) override
    {
        if (!pp)
            return E_POINTER;
        *pp = nullptr;
        if (!(streamType == WMMEDIATYPE_Audio))
            return NS_E_INVALID_STREAM;
        *pp = new StreamConfig(streamType);
        return S_OK;
    }
    HRESULT AddStream(IWMStreamConfig* pConfig) override
    {
        // Only configurations of this runtime can be added.
        auto* config = dynamic_cast<StreamConfig*>(pConfig);
        if (!config)
            return E_INVALIDARG;
        WORD number = 0;
        config->GetStreamNumber(&number);
        if (number == 0)
            return NS_E_INVALID_STREAM;
        for (StreamConfig* s : m_streams) {
            WORD other = 0;
            s->GetStreamNumber(&other);
            if (other == number)
                return NS_E_INVALID_STREAM;
        }
        m_streams.push_back(config->Clone());
        return S_OK;
    }

private:
    std::u16string m_name;
    std::u16string m_description;
    std::vector<StreamConfig*> m_streams;
};

class ProfileManager final : public WmObject<IWMProfileManager, IWMCodecInfo2> {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IWMProfileManager)
            return HandOut(static_cast<IWMProfileManager*>(this), ppv);
        if (riid == IID_IWMCodecInfo)
            return HandOut(static_cast<IWMCodecInfo*>(this), ppv);
        if (riid == IID_IWMCodecInfo2)
            return HandOut(static_cast<IWMCodecInfo2*>(this), ppv);
        return E_NOINTERFACE;
    }

    HRESULT CreateEmptyProfile(WMT_VERSION version, IWMProfile** pp) override
    {
        if (!pp)
            return E_POINTER;
        *pp = nullptr;
        if (version != WMT_VER_4_0 && version != WMT_VER_7_0 && version != WMT_VER_8_0 && version != WMT_VER_9_0)
            return E_INVALIDARG;
        *pp = new Profile;
        return S_OK;
    }

    // One audio codec: WMA.
    HRESULT GetCodecInfoCount(REFGUID type, DWORD* pc) override
    {
        if (!pc)
            return E_POINTER;
        *pc = type == WMMEDIATYPE_Audio ? 1 : 0;
        return S_OK;
    }
    HRESULT GetCodecFormatCount(REFGUID type, DWORD codec, DWORD* pc) override
    {
        if (!pc)
            return E_POINTER;
        if (!IsWma(type, codec))
            return E_INVALIDARG;
        *pc = static_cast<DWORD>(WmaFormats().size());
        return S_OK;
    }
    HRESULT GetCodecFormat(REFGUID type, DWORD codec, DWORD index, IWMStreamConfig** pp) override
    {
        if (!pp)
            return E_POINTER;
        *pp = nullptr;
        if (!IsWma(type, codec) || index >= WmaFormats().size())
            return E_INVALIDARG;
        const WmaFormat& f = WmaFormats()[index];
        WmaWave w = MakeWmaWave(f);
        auto* config = new StreamConfig(WMMEDIATYPE_Audio);
        config->m_type = MediaType::FromWave(w.wave, w.extra);
        config->SetBitrate(f.bitrate);
        *pp = config;
        return S_OK;
    }
    HRESULT GetCodecName(REFGUID type, DWORD codec, WCHAR* name, DWORD* pcch) override
    {
        if (!pcch)
            return E_POINTER;
        if (!IsWma(type, codec))
            return E_INVALIDARG;
        const std::u16string_view text(kWmaCodecName);
        const DWORD needed = static_cast<DWORD>(text.size() + 1);
        if (!name) {
            *pcch = needed;
            return S_OK;
        }
        if (*pcch < needed) {
            *pcch = needed;
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        }
        text.copy(name, text.size());
        name[text.size()] = u'\0';
        *pcch = needed;
        return S_OK;
    }

private:
    static bool IsWma(REFGUID type, DWORD codec) { return type == WMMEDIATYPE_Audio && codec == 0; }
};

} // namespace
} // namespace wmf

HRESULT WMCreateProfileManager(IWMProfileManager** pp)
{
    if (!pp)
        return E_POINTER;
    *pp = new wmf::ProfileManager;
    return S_OK;
}

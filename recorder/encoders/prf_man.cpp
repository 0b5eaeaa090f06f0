#include "prf_man.h"

#include <cstring>

NPrfMan::~NPrfMan()
{
    if (m_pManager)
        m_pManager->Release();
}

HRESULT NPrfMan::CreateManager()
{
    if (m_pManager) {
        m_pManager->Release();
        m_pManager = nullptr;
    }
    return WMCreateProfileManager(&m_pManager);
}

void NPrfMan::SetAudio(DWORD bitrate, WORD formatTag, DWORD sampleRate, WORD channels)
{
    m_dwBitrate = bitrate;
    m_wFormatTag = formatTag;
    m_dwSampleRate = sampleRate;
    m_wChannels = channels;
}

HRESULT NPrfMan::FindCodecFormat(std::vector<BYTE>* pFormat)
{
    IWMCodecInfo* info = nullptr;
    HRESULT hr = m_pManager->QueryInterface(IID_IWMCodecInfo, reinterpret_cast<void**>(&info));
    if (FAILED(hr))
        return hr;
    DWORD codecs = 0;
    hr = info->GetCodecInfoCount(WMMEDIATYPE_Audio, &codecs);
    bool found = false;
    for (DWORD i = 0; SUCCEEDED(hr) && !found && i < codecs; ++i) {
        DWORD formats = 0;
        if (FAILED(info->GetCodecFormatCount(WMMEDIATYPE_Audio, i, &formats)))
            break;
        for (DWORD j = 0; !found && j < formats; ++j) {
            IWMStreamConfig* config = nullptr;
            if (FAILED(info->GetCodecFormat(WMMEDIATYPE_Audio, i, j, &config)))
                break;
            IWMMediaProps* props = nullptr;
            DWORD size = 0;
            std::vector<BYTE> buffer;
            if (SUCCEEDED(config->QueryInterface(IID_IWMMediaProps, reinterpret_cast<void**>(&props)))
                && SUCCEEDED(props->GetMediaType(nullptr, &size))) {
                buffer.resize(size);
                auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(buffer.data());
                if (SUCCEEDED(props->GetMediaType(type, &size)) && type->formattype == WMFORMAT_WaveFormatEx
                    && type->cbFormat >= sizeof(WAVEFORMATEX)) {
                    const auto* w = reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
                    if (w->wFormatTag == m_wFormatTag && w->nChannels == m_wChannels
                        && w->nSamplesPerSec == m_dwSampleRate && w->nAvgBytesPerSec * 8 == m_dwBitrate) {
                        pFormat->assign(type->pbFormat, type->pbFormat + type->cbFormat);
                        found = true;
                    }
                }
            }
            if (props)
                props->Release();
            config->Release();
        }
    }
    info->Release();
    if (FAILED(hr))
        return hr;
    return found ? S_OK : NS_E_INVALID_STREAM;
}

HRESULT NPrfMan::CreateProfile(IWMProfile** ppProfile)
{
    if (!ppProfile)
        return E_POINTER;
    *ppProfile = nullptr;
    if (!m_pManager)
        return E_UNEXPECTED;
    IWMProfile* profile = nullptr;
    IWMStreamConfig* stream = nullptr;
    IWMMediaProps* props = nullptr;
    std::vector<BYTE> format;
    HRESULT hr = m_pManager->CreateEmptyProfile(WMT_VER_9_0, &profile);
    if (SUCCEEDED(hr))
        hr = profile->SetName(u"NPrfoile");
    if (SUCCEEDED(hr))
        hr = profile->SetDescription(u"Made by NPrfMan");
    if (SUCCEEDED(hr))
        hr = FindCodecFormat(&format);
    if (SUCCEEDED(hr))
        hr = profile->CreateNewStream(WMMEDIATYPE_Audio, &stream);
    if (SUCCEEDED(hr))
        hr = stream->SetStreamNumber(1);
    if (SUCCEEDED(hr))
        hr = stream->SetStreamName(u"Audio Stream");
    if (SUCCEEDED(hr))
        hr = stream->SetConnectionName(u"Audio");
    if (SUCCEEDED(hr))
        hr = stream->SetBitrate(m_dwBitrate);
    if (SUCCEEDED(hr))
        hr = stream->QueryInterface(IID_IWMMediaProps, reinterpret_cast<void**>(&props));
    if (SUCCEEDED(hr)) {
        const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(format.data());
        WM_MEDIA_TYPE type{};
        type.majortype = WMMEDIATYPE_Audio;
        type.subtype = WaveSubtypeFromTag(wave->wFormatTag);
        type.bFixedSizeSamples = TRUE;
        type.bTemporalCompression = FALSE;
        type.lSampleSize = wave->nBlockAlign;
        type.formattype = WMFORMAT_WaveFormatEx;
        type.pUnk = nullptr;
        type.cbFormat = static_cast<ULONG>(sizeof(WAVEFORMATEX) + wave->cbSize);
        type.pbFormat = format.data();
        hr = props->SetMediaType(&type);
    }
    if (SUCCEEDED(hr))
        hr = profile->AddStream(stream);
    if (props)
        props->Release();
    if (stream)
        stream->Release();
    if (FAILED(hr)) {
        if (profile)
            profile->Release();
        return hr;
    }
    *ppProfile = profile;
    return S_OK;
}

// The renderers: they take decoded samples as fast as they come (the graph
// runs without a clock) and follow positions like any renderer, so that a
// host can ask them, or the graph, where playback is.
#include "graph_filters.h"

#include "dshow/amfilter.h"
#include "dshow/pospass.h"

#include <new>

namespace {

class CRenderer;

class CRendererInput : public CRenderedInputPin {
public:
    CRendererInput(CBaseFilter* filter, CCritSec* lock, HRESULT* phr)
        : CRenderedInputPin("renderer input pin", filter, lock, phr, u"Input") {}
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    // A renderer prefers nothing; once connected it offers what it renders,
    // so that hosts can tell an audio renderer from a video one.
    HRESULT GetMediaType(int i, CMediaType* pmt) override
    {
        CAutoLock lock(m_pLock);
        if (i != 0 || !IsConnected())
            return VFW_S_NO_MORE_ITEMS;
        *pmt = m_mt;
        return S_OK;
    }
    HRESULT Receive(IMediaSample* pSample) override;
    HRESULT EndOfStream() override;
    HRESULT EndFlush() override;

private:
    CRenderer* Renderer() const;
};

class CRenderer : public CBaseFilter {
public:
    explicit CRenderer(bool audio)
        : CBaseFilter(audio ? "audio renderer" : "video renderer", nullptr, &m_lock, GUID_NULL), m_bAudio(audio),
          m_pin(this, &m_lock, &m_hr), m_position("renderer position", GetOwner(), &m_hr, &m_pin) {}

    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition)
            return m_position.NonDelegatingQueryInterface(riid, ppv);
        return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
    }
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }
    HRESULT Stop() override
    {
        HRESULT hr = CBaseFilter::Stop();
        m_position.ResetMediaTime();
        return hr;
    }

    const bool m_bAudio;
    CRendererPosPassThru& Position() { return m_position; }

private:
    CCritSec m_lock;
    HRESULT m_hr = S_OK;
    CRendererInput m_pin;
    CRendererPosPassThru m_position;
};

CRenderer* CRendererInput::Renderer() const
{
    return static_cast<CRenderer*>(m_pFilter);
}

HRESULT CRendererInput::CheckMediaType(const CMediaType* pmt)
{
    if (Renderer()->m_bAudio) {
        // PCM only: anything compressed needs a decoder in front.
        const WAVEFORMATEX* wfx = pmt->WaveFormat();
        return pmt->majortype == MEDIATYPE_Audio && wfx && wfx->wFormatTag == WAVE_FORMAT_PCM
                && wfx->nChannels > 0 && wfx->nSamplesPerSec > 0
                && (wfx->wBitsPerSample == 8 || wfx->wBitsPerSample == 16 || wfx->wBitsPerSample == 24 || wfx->wBitsPerSample == 32)
            ? S_OK : S_FALSE;
    }
    // Decoded frames only: compressed types carry their codec parameters.
    return pmt->majortype == MEDIATYPE_Video && pmt->formattype == FORMAT_VideoInfo && !pmt->pUnk ? S_OK : S_FALSE;
}

HRESULT CRendererInput::Receive(IMediaSample* pSample)
{
    HRESULT hr = CRenderedInputPin::Receive(pSample);
    if (hr == S_OK)
        Renderer()->Position().RegisterMediaTime(pSample);
    return hr;
}

HRESULT CRendererInput::EndOfStream()
{
    Renderer()->Position().EOS();
    return CRenderedInputPin::EndOfStream();
}

HRESULT CRendererInput::EndFlush()
{
    Renderer()->Position().ResetMediaTime();
    return CRenderedInputPin::EndFlush();
}

} // namespace

HRESULT CreateRenderer(bool audio, IBaseFilter** ppFilter, std::u16string* name)
{
    *ppFilter = nullptr;
    auto* renderer = new (std::nothrow) CRenderer(audio);
    if (!renderer)
        return E_OUTOFMEMORY;
    *name = audio ? u"Audio Renderer" : u"Video Renderer";
    renderer->NonDelegatingAddRef();
    HRESULT hr = renderer->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(ppFilter));
    renderer->NonDelegatingRelease();
    return hr;
}

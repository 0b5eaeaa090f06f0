#include "pospass.h"

CPosPassThru::CPosPassThru(const char* name, IUnknown* pUnk, HRESULT* phr, IPin* pPin) : CUnknown(name, pUnk), m_pPin(pPin)
{
    if (!pPin && phr)
        *phr = E_POINTER;
}

HRESULT CPosPassThru::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IMediaSeeking)
        return GetInterface(static_cast<IMediaSeeking*>(this), ppv);
    if (riid == IID_IMediaPosition)
        return GetInterface(static_cast<IMediaPosition*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CPosPassThru::GetPeerSeeking(IMediaSeeking** ppMS)
{
    *ppMS = nullptr;
    ComPtr<IPin> peer;
    if (FAILED(m_pPin->ConnectedTo(&peer)))
        return E_NOTIMPL; // nothing upstream to ask
    if (FAILED(peer->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(ppMS))))
        return E_NOTIMPL;
    return S_OK;
}

// Forwards one call to the upstream seeking interface.
#define FORWARD(call)                       \
    ComPtr<IMediaSeeking> ms;               \
    HRESULT hr = GetPeerSeeking(&ms);       \
    return FAILED(hr) ? hr : ms->call

HRESULT CPosPassThru::GetCapabilities(DWORD* p) { FORWARD(GetCapabilities(p)); }
HRESULT CPosPassThru::CheckCapabilities(DWORD* p) { FORWARD(CheckCapabilities(p)); }
HRESULT CPosPassThru::IsFormatSupported(const GUID* p) { FORWARD(IsFormatSupported(p)); }
HRESULT CPosPassThru::QueryPreferredFormat(GUID* p) { FORWARD(QueryPreferredFormat(p)); }
HRESULT CPosPassThru::GetTimeFormat(GUID* p) { FORWARD(GetTimeFormat(p)); }
HRESULT CPosPassThru::IsUsingTimeFormat(const GUID* p) { FORWARD(IsUsingTimeFormat(p)); }
HRESULT CPosPassThru::SetTimeFormat(const GUID* p) { FORWARD(SetTimeFormat(p)); }
HRESULT CPosPassThru::GetDuration(LONGLONG* p) { FORWARD(GetDuration(p)); }
HRESULT CPosPassThru::GetStopPosition(LONGLONG* p) { FORWARD(GetStopPosition(p)); }
HRESULT CPosPassThru::GetCurrentPosition(LONGLONG* p) { FORWARD(GetCurrentPosition(p)); }
HRESULT CPosPassThru::ConvertTimeFormat(LONGLONG* t, const GUID* tf, LONGLONG s, const GUID* sf) { FORWARD(ConvertTimeFormat(t, tf, s, sf)); }
HRESULT CPosPassThru::SetPositions(LONGLONG* c, DWORD cf, LONGLONG* s, DWORD sf) { FORWARD(SetPositions(c, cf, s, sf)); }
HRESULT CPosPassThru::GetPositions(LONGLONG* c, LONGLONG* s) { FORWARD(GetPositions(c, s)); }
HRESULT CPosPassThru::GetAvailable(LONGLONG* e, LONGLONG* l) { FORWARD(GetAvailable(e, l)); }
HRESULT CPosPassThru::SetRate(double r) { FORWARD(SetRate(r)); }
HRESULT CPosPassThru::GetRate(double* r) { FORWARD(GetRate(r)); }
HRESULT CPosPassThru::GetPreroll(LONGLONG* p) { FORWARD(GetPreroll(p)); }
#undef FORWARD

HRESULT CPosPassThru::get_Duration(REFTIME* plength)
{
    if (!plength)
        return E_POINTER;
    LONGLONG d = 0;
    HRESULT hr = GetDuration(&d);
    *plength = static_cast<REFTIME>(d) / UNITS;
    return hr;
}

HRESULT CPosPassThru::put_CurrentPosition(REFTIME llTime)
{
    LONGLONG t = static_cast<LONGLONG>(llTime * UNITS);
    return SetPositions(&t, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

HRESULT CPosPassThru::get_CurrentPosition(REFTIME* pllTime)
{
    if (!pllTime)
        return E_POINTER;
    LONGLONG t = 0;
    HRESULT hr = GetCurrentPosition(&t);
    *pllTime = static_cast<REFTIME>(t) / UNITS;
    return hr;
}

HRESULT CPosPassThru::get_StopTime(REFTIME* pllTime)
{
    if (!pllTime)
        return E_POINTER;
    LONGLONG t = 0;
    HRESULT hr = GetStopPosition(&t);
    *pllTime = static_cast<REFTIME>(t) / UNITS;
    return hr;
}

HRESULT CPosPassThru::put_StopTime(REFTIME llTime)
{
    LONGLONG t = static_cast<LONGLONG>(llTime * UNITS);
    return SetPositions(nullptr, AM_SEEKING_NoPositioning, &t, AM_SEEKING_AbsolutePositioning);
}

HRESULT CPosPassThru::get_Rate(double* pdRate)
{
    return GetRate(pdRate);
}

HRESULT CPosPassThru::put_Rate(double dRate)
{
    return SetRate(dRate);
}

CRendererPosPassThru::CRendererPosPassThru(const char* name, IUnknown* pUnk, HRESULT* phr, IPin* pPin)
    : CPosPassThru(name, pUnk, phr, pPin) {}

HRESULT CRendererPosPassThru::RegisterMediaTime(IMediaSample* pMediaSample)
{
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT hr = pMediaSample->GetTime(&start, &stop);
    if (FAILED(hr))
        return hr;
    return RegisterMediaTime(start, stop);
}

HRESULT CRendererPosPassThru::RegisterMediaTime(LONGLONG StartTime, LONGLONG EndTime)
{
    std::lock_guard<std::mutex> guard(m_PositionLock);
    m_StartMedia = StartTime;
    m_EndMedia = EndTime;
    m_bReset = false;
    return S_OK;
}

HRESULT CRendererPosPassThru::ResetMediaTime()
{
    std::lock_guard<std::mutex> guard(m_PositionLock);
    m_StartMedia = m_EndMedia = 0;
    m_bReset = true;
    return S_OK;
}

HRESULT CRendererPosPassThru::EOS()
{
    LONGLONG stop = 0;
    HRESULT hr = CPosPassThru::GetStopPosition(&stop);
    if (FAILED(hr))
        return hr;
    return RegisterMediaTime(stop, stop);
}

HRESULT CRendererPosPassThru::GetCurrentPosition(LONGLONG* pCurrent)
{
    if (!pCurrent)
        return E_POINTER;
    {
        std::lock_guard<std::mutex> guard(m_PositionLock);
        if (!m_bReset) {
            *pCurrent = m_StartMedia;
            return S_OK;
        }
    }
    return CPosPassThru::GetCurrentPosition(pCurrent);
}

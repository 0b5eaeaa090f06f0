// Position pass-through: a filter's IMediaSeeking and IMediaPosition that
// forward every call to the upstream pin connected to one of its input
// pins, where the source answers.  The renderer's variant answers the
// current position itself from the media times of the samples it receives.
#pragma once

#include "combase.h"

#include <mutex>

class CPosPassThru : public CUnknown, public IMediaSeeking, public IMediaPosition {
public:
    // pPin: the input pin whose peer answers; not held (it belongs to the owner).
    CPosPassThru(const char* name, IUnknown* pUnk, HRESULT* phr, IPin* pPin);
    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IMediaSeeking
    HRESULT GetCapabilities(DWORD* pCapabilities) override;
    HRESULT CheckCapabilities(DWORD* pCapabilities) override;
    HRESULT IsFormatSupported(const GUID* pFormat) override;
    HRESULT QueryPreferredFormat(GUID* pFormat) override;
    HRESULT GetTimeFormat(GUID* pFormat) override;
    HRESULT IsUsingTimeFormat(const GUID* pFormat) override;
    HRESULT SetTimeFormat(const GUID* pFormat) override;
    HRESULT GetDuration(LONGLONG* pDuration) override;
    HRESULT GetStopPosition(LONGLONG* pStop) override;
    HRESULT GetCurrentPosition(LONGLONG* pCurrent) override;
    HRESULT ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG Source, const GUID* pSourceFormat) override;
    HRESULT SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop, DWORD dwStopFlags) override;
    HRESULT GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) override;
    HRESULT GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) override;
    HRESULT SetRate(double dRate) override;
    HRESULT GetRate(double* pdRate) override;
    HRESULT GetPreroll(LONGLONG* pllPreroll) override;
    // IMediaPosition, in seconds over the same calls
    HRESULT get_Duration(REFTIME* plength) override;
    HRESULT put_CurrentPosition(REFTIME llTime) override;
    HRESULT get_CurrentPosition(REFTIME* pllTime) override;
    HRESULT get_StopTime(REFTIME* pllTime) override;
    HRESULT put_StopTime(REFTIME llTime) override;
    HRESULT get_Rate(double* pdRate) override;
    HRESULT put_Rate(double dRate) override;

protected:
    // The upstream seeking interface, held; E_NOTIMPL when there is none.
    HRESULT GetPeerSeeking(IMediaSeeking** ppMS);

private:
    IPin* m_pPin;
};

class CRendererPosPassThru : public CPosPassThru {
public:
    CRendererPosPassThru(const char* name, IUnknown* pUnk, HRESULT* phr, IPin* pPin);

    // Records the times of a received sample; a sample without times changes nothing.
    HRESULT RegisterMediaTime(IMediaSample* pMediaSample);
    HRESULT RegisterMediaTime(LONGLONG StartTime, LONGLONG EndTime);
    // Forgets the recorded time: the current position is asked upstream again.
    HRESULT ResetMediaTime();
    // End of stream: the recorded time becomes the upstream stop position.
    HRESULT EOS();

    // The start of the latest recorded sample, else the upstream answer.
    HRESULT GetCurrentPosition(LONGLONG* pCurrent) override;

private:
    std::mutex m_PositionLock;
    bool m_bReset = true;
    LONGLONG m_StartMedia = 0;
    LONGLONG m_EndMedia = 0;
};

// Base classes of filters and pins.  A filter derives from CBaseFilter and
// supplies its pins; a pin derives from CBaseOutputPin or CBaseInputPin (a
// renderer's from CRenderedInputPin) and supplies its media types.
//
// State changes (Stop, Pause, Run) come on the thread that controls the
// graph and take the filter's lock (m_pLock); the base filter activates its
// connected pins on leaving Stopped and deactivates them on entering it.
// Samples, end of stream and flushes come on the upstream filter's streaming
// thread and take no filter lock here: a filter that shares state between
// the two serialises it with a receive lock of its own, taken before the
// filter lock, never after it.
#pragma once

#include "allocator.h"
#include "combase.h"
#include "mtype.h"

#include <string>

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter, public IAMovieSetup {
public:
    CBaseFilter(const char* name, IUnknown* pUnk, CCritSec* pLock, REFCLSID clsid);
    ~CBaseFilter() override;
    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    virtual int GetPinCount() = 0;
    virtual CBasePin* GetPin(int n) = 0; // not held: pins live as long as their filter
    // Registration data for IAMovieSetup; none by default.
    virtual const AMOVIESETUP_FILTER* GetSetupData() { return nullptr; }

    // IPersist, IMediaFilter
    HRESULT GetClassID(CLSID* pClsID) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME tStart) override;
    HRESULT GetState(DWORD dwMSecs, FILTER_STATE* State) override;
    HRESULT SetSyncSource(IReferenceClock* pClock) override;
    HRESULT GetSyncSource(IReferenceClock** pClock) override;
    // IBaseFilter
    HRESULT EnumPins(IEnumPins** ppEnum) override;
    HRESULT FindPin(LPCWSTR Id, IPin** ppPin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* pInfo) override;
    HRESULT JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
    HRESULT QueryVendorInfo(LPWSTR* pVendorInfo) override;
    // IAMovieSetup: through the filter mapper; S_FALSE without setup data.
    HRESULT Register() override;
    HRESULT Unregister() override;

    // Reports an event to the graph (when it takes events).
    HRESULT NotifyEvent(long code, std::intptr_t param1, std::intptr_t param2);
    bool IsStopped() const { return m_State == State_Stopped; }
    bool IsActive() const { return m_State != State_Stopped; }
    FILTER_STATE State() const { return m_State; }
    IFilterGraph* Graph() const { return m_pGraph; }

protected:
    CCritSec* m_pLock;           // the filter lock, owned by the derived filter
    FILTER_STATE m_State = State_Stopped; // guarded by m_pLock
    REFERENCE_TIME m_tStart = 0;
    IReferenceClock* m_pClock = nullptr; // held
    CLSID m_clsid;
    std::u16string m_name;
    IFilterGraph* m_pGraph = nullptr;    // not held: the graph holds its filters
    IMediaEventSink* m_pSink = nullptr;  // not held, as the graph
};

class CBasePin : public CUnknown, public IPin {
public:
    CBasePin(const char* objectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName, PIN_DIRECTION dir);
    ~CBasePin() override;
    // A pin lives and dies with its filter: references go to the filter.
    ULONG NonDelegatingAddRef() override;
    ULONG NonDelegatingRelease() override;
    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // Connection negotiation, overridden by pins.
    virtual HRESULT CheckMediaType(const CMediaType* pmt) = 0;
    // The types the pin proposes, in order; VFW_S_NO_MORE_ITEMS past the end.
    virtual HRESULT GetMediaType(int iPosition, CMediaType* pMediaType);
    virtual HRESULT SetMediaType(const CMediaType* pmt);
    virtual HRESULT CheckConnect(IPin* pPin);
    virtual HRESULT CompleteConnect(IPin* pReceivePin);
    virtual HRESULT BreakConnect();
    // Called by the filter on leaving and entering Stopped, and on Run.
    virtual HRESULT Active();
    virtual HRESULT Inactive();
    virtual HRESULT Run(REFERENCE_TIME tStart);

    // IPin
    HRESULT Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    HRESULT ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pPin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    HRESULT QueryPinInfo(PIN_INFO* pInfo) override;
    HRESULT QueryDirection(PIN_DIRECTION* pPinDir) override;
    HRESULT QueryId(LPWSTR* Id) override;
    HRESULT QueryAccept(const AM_MEDIA_TYPE* pmt) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    HRESULT QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
    HRESULT EndOfStream() override;
    HRESULT NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

    bool IsConnected() const { return m_Connected != nullptr; }
    IPin* GetConnected() const { return m_Connected; }
    CBaseFilter* Filter() const { return m_pFilter; }
    const std::u16string& Name() const { return m_name; }
    const CMediaType& CurrentMediaType() const { return m_mt; }

protected:
    HRESULT AttemptConnection(IPin* pReceivePin, const CMediaType* pmt);
    HRESULT TryMediaTypes(IPin* pReceivePin, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* pEnum);
    HRESULT AgreeMediaType(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt);
    void DisconnectInternal();

    CBaseFilter* m_pFilter;
    CCritSec* m_pLock;
    std::u16string m_name;
    PIN_DIRECTION m_dir;
    IPin* m_Connected = nullptr; // held; guarded by m_pLock
    CMediaType m_mt;             // the connection type
    REFERENCE_TIME m_tStart = 0, m_tStop = 0x7FFFFFFFFFFFFFFF;
    double m_dRate = 1.0;
};

constexpr HRESULT VFW_S_NO_MORE_ITEMS = 0x00040103;

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(const char* objectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName);

    // Sets the buffer count and size on the agreed allocator.
    virtual HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* ppropInputRequest) = 0;

    HRESULT CheckConnect(IPin* pPin) override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;
    HRESULT BreakConnect() override;
    HRESULT Active() override;   // commits the allocator
    HRESULT Inactive() override; // decommits it, waking a waiting GetDeliveryBuffer

    HRESULT GetDeliveryBuffer(IMediaSample** ppSample, REFERENCE_TIME* pStart, REFERENCE_TIME* pEnd, DWORD dwFlags);
    HRESULT Deliver(IMediaSample* pSample);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

    // Output pins take no stream calls.
    HRESULT EndOfStream() override { return E_UNEXPECTED; }
    HRESULT BeginFlush() override { return E_UNEXPECTED; }
    HRESULT EndFlush() override { return E_UNEXPECTED; }

protected:
    IMemAllocator* m_pAllocator = nullptr;  // held while connected
    IMemInputPin* m_pInputPin = nullptr;    // held while connected
};

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(const char* objectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName);
    ~CBaseInputPin() override;
    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IMemInputPin
    HRESULT GetAllocator(IMemAllocator** ppAllocator) override;
    HRESULT NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
    // The checks every receiver makes: S_OK to go on, S_FALSE while flushing,
    // an error when not connected, stopped, or after a run-time error.
    HRESULT Receive(IMediaSample* pSample) override;
    HRESULT ReceiveMultiple(IMediaSample** pSamples, long nSamples, long* nSamplesProcessed) override;
    HRESULT ReceiveCanBlock() override;

    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT BreakConnect() override;
    HRESULT Inactive() override;

    bool IsFlushing() const { return m_bFlushing; }

protected:
    HRESULT CheckStreaming();

    IMemAllocator* m_pAllocator = nullptr; // held
    bool m_bReadOnly = false;
    std::atomic<bool> m_bFlushing{false};
    std::atomic<bool> m_bRunTimeError{false};
};

// The input pin of a renderer: reports completion (EC_COMPLETE) to the graph
// once per run when end of stream arrives while running, or at Run when it
// arrived while paused.
class CRenderedInputPin : public CBaseInputPin {
public:
    CRenderedInputPin(const char* objectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName);

    HRESULT EndOfStream() override;
    HRESULT EndFlush() override;
    HRESULT Active() override;
    HRESULT Run(REFERENCE_TIME tStart) override;

private:
    void DoCompleteHandling();
    bool m_bAtEndOfStream = false;
    bool m_bCompleteNotified = false;
};

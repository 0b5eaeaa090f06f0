#include "amfilter.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

void CopyName(WCHAR* dest, std::size_t capacity, const std::u16string& name)
{
    std::size_t n = std::min(name.size(), capacity - 1);
    std::copy_n(name.data(), n, dest);
    dest[n] = 0;
}

LPWSTR TaskString(const std::u16string& s)
{
    auto* out = static_cast<LPWSTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(WCHAR)));
    if (out)
        CopyName(out, s.size() + 1, s);
    return out;
}

// Pins of a filter in index order, asked of the filter live.
class CEnumPins final : public CSingleInterface<IEnumPins, IID_IEnumPins> {
public:
    CEnumPins(CBaseFilter* filter, ULONG pos) : m_filter(filter), m_pos(pos) { m_filter->AddRef(); }
    HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override
    {
        if (!pins || (count > 1 && !fetched))
            return E_POINTER;
        ULONG got = 0;
        while (got < count && static_cast<int>(m_pos) < m_filter->GetPinCount()) {
            CBasePin* pin = m_filter->GetPin(static_cast<int>(m_pos++));
            if (!pin)
                continue;
            pins[got] = pin;
            pin->AddRef();
            ++got;
        }
        if (fetched)
            *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override
    {
        m_pos += count;
        return static_cast<int>(m_pos) <= m_filter->GetPinCount() ? S_OK : S_FALSE;
    }
    HRESULT Reset() override { m_pos = 0; return S_OK; }
    HRESULT Clone(IEnumPins** out) override
    {
        if (!out)
            return E_POINTER;
        auto* e = new (std::nothrow) CEnumPins(m_filter, m_pos);
        if (!e)
            return E_OUTOFMEMORY;
        return GetInterface(e, reinterpret_cast<void**>(out));
    }

private:
    ~CEnumPins() override { m_filter->Release(); }
    CBaseFilter* m_filter;
    ULONG m_pos;
};

// The types a pin proposes (CBasePin::GetMediaType), each copied out in task memory.
class CEnumMediaTypes final : public CSingleInterface<IEnumMediaTypes, IID_IEnumMediaTypes> {
public:
    CEnumMediaTypes(CBasePin* pin, ULONG pos) : m_pin(pin), m_pos(pos) { m_pin->AddRef(); }
    HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override
    {
        if (!types || (count > 1 && !fetched))
            return E_POINTER;
        ULONG got = 0;
        while (got < count) {
            CMediaType mt;
            if (m_pin->GetMediaType(static_cast<int>(m_pos), &mt) != S_OK)
                break;
            ++m_pos;
            types[got] = CreateMediaType(&mt);
            if (!types[got])
                break;
            ++got;
        }
        if (fetched)
            *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override { m_pos += count; return S_OK; }
    HRESULT Reset() override { m_pos = 0; return S_OK; }
    HRESULT Clone(IEnumMediaTypes** out) override
    {
        if (!out)
            return E_POINTER;
        auto* e = new (std::nothrow) CEnumMediaTypes(m_pin, m_pos);
        if (!e)
            return E_OUTOFMEMORY;
        return GetInterface(e, reinterpret_cast<void**>(out));
    }

private:
    ~CEnumMediaTypes() override { m_pin->Release(); }
    CBasePin* m_pin;
    ULONG m_pos;
};

} // namespace

// ---- CBaseFilter ----

CBaseFilter::CBaseFilter(const char* name, IUnknown* pUnk, CCritSec* pLock, REFCLSID clsid)
    : CUnknown(name, pUnk), m_pLock(pLock), m_clsid(clsid) {}

CBaseFilter::~CBaseFilter()
{
    if (m_pClock)
        m_pClock->Release();
}

HRESULT CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IBaseFilter)
        return GetInterface(static_cast<IBaseFilter*>(this), ppv);
    if (riid == IID_IMediaFilter)
        return GetInterface(static_cast<IMediaFilter*>(this), ppv);
    if (riid == IID_IPersist)
        return GetInterface(static_cast<IPersist*>(this), ppv);
    if (riid == IID_IAMovieSetup)
        return GetInterface(static_cast<IAMovieSetup*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBaseFilter::GetClassID(CLSID* pClsID)
{
    if (!pClsID)
        return E_POINTER;
    *pClsID = m_clsid;
    return S_OK;
}

HRESULT CBaseFilter::Stop()
{
    CAutoLock lock(m_pLock);
    HRESULT result = S_OK;
    if (m_State != State_Stopped) {
        for (int i = 0; i < GetPinCount(); ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Inactive();
                if (FAILED(hr) && SUCCEEDED(result))
                    result = hr;
            }
        }
    }
    m_State = State_Stopped;
    return result;
}

HRESULT CBaseFilter::Pause()
{
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) {
        for (int i = 0; i < GetPinCount(); ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Active();
                if (FAILED(hr))
                    return hr;
            }
        }
    }
    m_State = State_Paused;
    return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME tStart)
{
    CAutoLock lock(m_pLock);
    m_tStart = tStart;
    if (m_State == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    if (m_State != State_Running) {
        for (int i = 0; i < GetPinCount(); ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Run(tStart);
                if (FAILED(hr))
                    return hr;
            }
        }
    }
    m_State = State_Running;
    return S_OK;
}

HRESULT CBaseFilter::GetState(DWORD, FILTER_STATE* State)
{
    if (!State)
        return E_POINTER;
    *State = m_State;
    return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* pClock)
{
    CAutoLock lock(m_pLock);
    if (pClock)
        pClock->AddRef();
    if (m_pClock)
        m_pClock->Release();
    m_pClock = pClock;
    return S_OK;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** pClock)
{
    if (!pClock)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    *pClock = m_pClock;
    if (m_pClock)
        m_pClock->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::EnumPins(IEnumPins** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    auto* e = new (std::nothrow) CEnumPins(this, 0);
    if (!e)
        return E_OUTOFMEMORY;
    return GetInterface(e, reinterpret_cast<void**>(ppEnum));
}

HRESULT CBaseFilter::FindPin(LPCWSTR Id, IPin** ppPin)
{
    if (!Id || !ppPin)
        return E_POINTER;
    *ppPin = nullptr;
    CAutoLock lock(m_pLock);
    for (int i = 0; i < GetPinCount(); ++i) {
        CBasePin* pin = GetPin(i);
        if (pin && pin->Name() == Id)
            return GetInterface(static_cast<IPin*>(pin), reinterpret_cast<void**>(ppPin));
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo)
{
    if (!pInfo)
        return E_POINTER;
    CopyName(pInfo->achName, MAX_FILTER_NAME, m_name);
    pInfo->pGraph = m_pGraph;
    if (m_pGraph)
        m_pGraph->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName)
{
    CAutoLock lock(m_pLock);
    m_pGraph = pGraph;
    m_pSink = nullptr;
    if (pGraph) {
        // Kept without a reference, as the graph pointer itself.
        IMediaEventSink* sink = nullptr;
        if (SUCCEEDED(pGraph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) {
            m_pSink = sink;
            sink->Release();
        }
    }
    m_name = pName ? std::u16string(pName) : std::u16string();
    return S_OK;
}

HRESULT CBaseFilter::QueryVendorInfo(LPWSTR*)
{
    return E_NOTIMPL;
}

HRESULT CBaseFilter::Register()
{
    const AMOVIESETUP_FILTER* setup = GetSetupData();
    if (!setup)
        return S_FALSE;
    ComPtr<IFilterMapper2> mapper;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2, mapper.Out());
    if (FAILED(hr))
        return hr;
    REGFILTER2 rf2{1, setup->dwMerit, setup->nPins, setup->lpPin};
    return mapper->RegisterFilter(*setup->clsID, setup->strName, nullptr, &CLSID_LegacyAmFilterCategory, nullptr, &rf2);
}

HRESULT CBaseFilter::Unregister()
{
    const AMOVIESETUP_FILTER* setup = GetSetupData();
    if (!setup)
        return S_FALSE;
    ComPtr<IFilterMapper2> mapper;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2, mapper.Out());
    if (FAILED(hr))
        return hr;
    return mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *setup->clsID);
}

HRESULT CBaseFilter::NotifyEvent(long code, std::intptr_t param1, std::intptr_t param2)
{
    IMediaEventSink* sink = m_pSink;
    if (!sink)
        return E_NOTIMPL;
    if (code == EC_COMPLETE && param2 == 0)
        param2 = reinterpret_cast<std::intptr_t>(static_cast<IBaseFilter*>(this));
    return sink->Notify(code, param1, param2);
}

// ---- CBasePin ----

CBasePin::CBasePin(const char* objectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT*, LPCWSTR pName, PIN_DIRECTION dir)
    : CUnknown(objectName, nullptr), m_pFilter(pFilter), m_pLock(pLock), m_name(pName ? pName : u""), m_dir(dir) {}

CBasePin::~CBasePin()
{
    if (m_Connected)
        m_Connected->Release();
}

ULONG CBasePin::NonDelegatingAddRef()
{
    return m_pFilter->AddRef();
}

ULONG CBasePin::NonDelegatingRelease()
{
    return m_pFilter->Release();
}

HRESULT CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IPin)
        return GetInterface(static_cast<IPin*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBasePin::GetMediaType(int, CMediaType*)
{
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT CBasePin::SetMediaType(const CMediaType* pmt)
{
    m_mt = *pmt;
    return S_OK;
}

HRESULT CBasePin::CheckConnect(IPin* pPin)
{
    PIN_DIRECTION dir;
    HRESULT hr = pPin->QueryDirection(&dir);
    if (FAILED(hr))
        return hr;
    return dir == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::CompleteConnect(IPin*)
{
    return S_OK;
}

HRESULT CBasePin::BreakConnect()
{
    return S_OK;
}

HRESULT CBasePin::Active()
{
    return S_OK;
}

HRESULT CBasePin::Inactive()
{
    return S_OK;
}

HRESULT CBasePin::Run(REFERENCE_TIME)
{
    return S_OK;
}

HRESULT CBasePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt)
{
    if (!pReceivePin)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_Connected)
        return VFW_E_ALREADY_CONNECTED;
    if (!m_pFilter->IsStopped())
        return VFW_E_NOT_STOPPED;
    return AgreeMediaType(pReceivePin, pmt);
}

HRESULT CBasePin::AgreeMediaType(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt)
{
    // A complete type is tried as it stands; a partial one (null identifiers)
    // filters the types both pins propose: the receiver's first, then ours.
    if (pmt && pmt->majortype != GUID_NULL && pmt->subtype != GUID_NULL && pmt->formattype != GUID_NULL) {
        CMediaType mt(*pmt);
        return AttemptConnection(pReceivePin, &mt);
    }
    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    IPin* sides[2] = {pReceivePin, this};
    for (IPin* side : sides) {
        ComPtr<IEnumMediaTypes> types;
        if (FAILED(side->EnumMediaTypes(&types)))
            continue;
        HRESULT hr = TryMediaTypes(pReceivePin, pmt, types.Get());
        if (SUCCEEDED(hr))
            return hr;
        if (hr != VFW_E_NO_ACCEPTABLE_TYPES)
            last = hr;
    }
    return last;
}

HRESULT CBasePin::TryMediaTypes(IPin* pReceivePin, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* pEnum)
{
    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    AM_MEDIA_TYPE* type = nullptr;
    ULONG got = 0;
    while (pEnum->Next(1, &type, &got) == S_OK && got == 1) {
        CMediaType mt(*type);
        DeleteMediaType(type);
        if (partial && !mt.MatchesPartial(*partial))
            continue;
        HRESULT hr = AttemptConnection(pReceivePin, &mt);
        if (SUCCEEDED(hr))
            return hr;
        last = hr;
    }
    return last;
}

HRESULT CBasePin::AttemptConnection(IPin* pReceivePin, const CMediaType* pmt)
{
    HRESULT hr = CheckConnect(pReceivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    if (CheckMediaType(pmt) != S_OK) {
        BreakConnect();
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    m_Connected = pReceivePin;
    m_Connected->AddRef();
    hr = SetMediaType(pmt);
    if (SUCCEEDED(hr)) {
        hr = pReceivePin->ReceiveConnection(this, pmt);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(pReceivePin);
            if (SUCCEEDED(hr))
                return S_OK;
            pReceivePin->Disconnect();
        }
    }
    BreakConnect();
    m_Connected->Release();
    m_Connected = nullptr;
    m_mt = CMediaType();
    return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CBasePin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt)
{
    if (!pConnector || !pmt)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_Connected)
        return VFW_E_ALREADY_CONNECTED;
    if (!m_pFilter->IsStopped())
        return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(pConnector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    CMediaType mt(*pmt);
    if (CheckMediaType(&mt) != S_OK) {
        BreakConnect();
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    m_Connected = pConnector;
    m_Connected->AddRef();
    hr = SetMediaType(&mt);
    if (SUCCEEDED(hr))
        hr = CompleteConnect(pConnector);
    if (FAILED(hr)) {
        DisconnectInternal();
        return hr;
    }
    return S_OK;
}

void CBasePin::DisconnectInternal()
{
    if (!m_Connected)
        return;
    BreakConnect();
    m_Connected->Release();
    m_Connected = nullptr;
    m_mt = CMediaType();
}

HRESULT CBasePin::Disconnect()
{
    CAutoLock lock(m_pLock);
    if (!m_pFilter->IsStopped())
        return VFW_E_NOT_STOPPED;
    if (!m_Connected)
        return S_FALSE;
    DisconnectInternal();
    return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pPin)
{
    if (!pPin)
        return E_POINTER;
    // No lock: connections change only while the graph is stopped, and the
    // end-of-stream path asks for the peer (position pass-through) while the
    // graph's Stop holds the filter lock and waits for that stream to finish.
    *pPin = m_Connected;
    if (!m_Connected)
        return VFW_E_NOT_CONNECTED;
    m_Connected->AddRef();
    return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt)
{
    if (!pmt)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    if (!m_Connected) {
        std::memset(pmt, 0, sizeof *pmt);
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(pmt, &m_mt);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* pInfo)
{
    if (!pInfo)
        return E_POINTER;
    pInfo->pFilter = m_pFilter;
    m_pFilter->AddRef();
    pInfo->dir = m_dir;
    CopyName(pInfo->achName, MAX_PIN_NAME, m_name);
    return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* pPinDir)
{
    if (!pPinDir)
        return E_POINTER;
    *pPinDir = m_dir;
    return S_OK;
}

HRESULT CBasePin::QueryId(LPWSTR* Id)
{
    if (!Id)
        return E_POINTER;
    *Id = TaskString(m_name);
    return *Id ? S_OK : E_OUTOFMEMORY;
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt)
{
    if (!pmt)
        return E_POINTER;
    CMediaType mt(*pmt);
    return CheckMediaType(&mt) == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    auto* e = new (std::nothrow) CEnumMediaTypes(this, 0);
    if (!e)
        return E_OUTOFMEMORY;
    return GetInterface(e, reinterpret_cast<void**>(ppEnum));
}

HRESULT CBasePin::QueryInternalConnections(IPin**, ULONG*)
{
    return E_NOTIMPL;
}

HRESULT CBasePin::EndOfStream()
{
    return S_OK;
}

HRESULT CBasePin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate)
{
    m_tStart = tStart;
    m_tStop = tStop;
    m_dRate = dRate;
    return S_OK;
}

// ---- CBaseOutputPin ----

CBaseOutputPin::CBaseOutputPin(const char* objectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName)
    : CBasePin(objectName, pFilter, pLock, phr, pName, PINDIR_OUTPUT) {}

HRESULT CBaseOutputPin::CheckConnect(IPin* pPin)
{
    HRESULT hr = CBasePin::CheckConnect(pPin);
    if (FAILED(hr))
        return hr;
    if (!m_pInputPin && FAILED(pPin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&m_pInputPin))))
        return E_NOINTERFACE; // the receiver cannot take samples
    return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*)
{
    // The receiver's allocator, sized by this pin; our own when it has none.
    ALLOCATOR_PROPERTIES props{};
    m_pInputPin->GetAllocatorRequirements(&props);
    HRESULT hr = m_pInputPin->GetAllocator(&m_pAllocator);
    if (SUCCEEDED(hr)) {
        hr = DecideBufferSize(m_pAllocator, &props);
        if (SUCCEEDED(hr))
            hr = m_pInputPin->NotifyAllocator(m_pAllocator, FALSE);
        if (SUCCEEDED(hr))
            return S_OK;
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    auto* own = new (std::nothrow) CMemAllocator("output allocator", nullptr, &hr);
    if (!own)
        return E_OUTOFMEMORY;
    own->NonDelegatingQueryInterface(IID_IMemAllocator, reinterpret_cast<void**>(&m_pAllocator));
    hr = DecideBufferSize(m_pAllocator, &props);
    if (SUCCEEDED(hr))
        hr = m_pInputPin->NotifyAllocator(m_pAllocator, FALSE);
    if (FAILED(hr)) {
        m_pAllocator->Release();
        m_pAllocator = nullptr;
        return hr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::BreakConnect()
{
    if (m_pAllocator) {
        m_pAllocator->Decommit();
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    if (m_pInputPin) {
        m_pInputPin->Release();
        m_pInputPin = nullptr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::Active()
{
    return m_pAllocator ? m_pAllocator->Commit() : VFW_E_NO_ALLOCATOR;
}

HRESULT CBaseOutputPin::Inactive()
{
    return m_pAllocator ? m_pAllocator->Decommit() : VFW_E_NO_ALLOCATOR;
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** ppSample, REFERENCE_TIME* pStart, REFERENCE_TIME* pEnd, DWORD dwFlags)
{
    if (!m_pAllocator)
        return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->GetBuffer(ppSample, pStart, pEnd, dwFlags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* pSample)
{
    return m_pInputPin ? m_pInputPin->Receive(pSample) : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverEndOfStream()
{
    return m_Connected ? m_Connected->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverBeginFlush()
{
    return m_Connected ? m_Connected->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverEndFlush()
{
    return m_Connected ? m_Connected->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate)
{
    return m_Connected ? m_Connected->NewSegment(tStart, tStop, dRate) : VFW_E_NOT_CONNECTED;
}

// ---- CBaseInputPin ----

CBaseInputPin::CBaseInputPin(const char* objectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName)
    : CBasePin(objectName, pFilter, pLock, phr, pName, PINDIR_INPUT) {}

CBaseInputPin::~CBaseInputPin()
{
    if (m_pAllocator)
        m_pAllocator->Release();
}

HRESULT CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IMemInputPin)
        return GetInterface(static_cast<IMemInputPin*>(this), ppv);
    return CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBaseInputPin::GetAllocator(IMemAllocator** ppAllocator)
{
    if (!ppAllocator)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    if (!m_pAllocator) {
        HRESULT hr = S_OK;
        auto* a = new (std::nothrow) CMemAllocator("input allocator", nullptr, &hr);
        if (!a)
            return E_OUTOFMEMORY;
        a->NonDelegatingQueryInterface(IID_IMemAllocator, reinterpret_cast<void**>(&m_pAllocator));
    }
    *ppAllocator = m_pAllocator;
    m_pAllocator->AddRef();
    return S_OK;
}

HRESULT CBaseInputPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly)
{
    if (!pAllocator)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    pAllocator->AddRef();
    if (m_pAllocator)
        m_pAllocator->Release();
    m_pAllocator = pAllocator;
    m_bReadOnly = bReadOnly;
    return S_OK;
}

HRESULT CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*)
{
    return E_NOTIMPL;
}

HRESULT CBaseInputPin::CheckStreaming()
{
    if (!IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (m_pFilter->IsStopped())
        return VFW_E_WRONG_STATE;
    if (m_bFlushing)
        return S_FALSE;
    if (m_bRunTimeError)
        return VFW_E_RUNTIME_ERROR;
    return S_OK;
}

HRESULT CBaseInputPin::Receive(IMediaSample* pSample)
{
    if (!pSample)
        return E_POINTER;
    return CheckStreaming();
}

HRESULT CBaseInputPin::ReceiveMultiple(IMediaSample** pSamples, long nSamples, long* nSamplesProcessed)
{
    if (!pSamples || !nSamplesProcessed)
        return E_POINTER;
    HRESULT hr = S_OK;
    *nSamplesProcessed = 0;
    while (nSamples-- > 0) {
        hr = Receive(pSamples[*nSamplesProcessed]);
        if (hr != S_OK)
            break;
        ++*nSamplesProcessed;
    }
    return hr;
}

HRESULT CBaseInputPin::ReceiveCanBlock()
{
    return S_OK;
}

HRESULT CBaseInputPin::BeginFlush()
{
    m_bFlushing = true;
    return S_OK;
}

HRESULT CBaseInputPin::EndFlush()
{
    m_bFlushing = false;
    m_bRunTimeError = false;
    return S_OK;
}

HRESULT CBaseInputPin::BreakConnect()
{
    if (m_pAllocator) {
        m_pAllocator->Decommit();
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    return S_OK;
}

HRESULT CBaseInputPin::Inactive()
{
    m_bRunTimeError = false;
    m_bFlushing = false;
    // Decommitting wakes an upstream thread waiting for one of our buffers.
    return m_pAllocator ? m_pAllocator->Decommit() : VFW_E_NO_ALLOCATOR;
}

// ---- CRenderedInputPin ----

CRenderedInputPin::CRenderedInputPin(const char* objectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName)
    : CBaseInputPin(objectName, pFilter, pLock, phr, pName) {}

HRESULT CRenderedInputPin::EndOfStream()
{
    CAutoLock lock(m_pLock);
    HRESULT hr = CheckStreaming();
    if (hr == S_OK) {
        m_bAtEndOfStream = true;
        if (m_pFilter->State() == State_Running)
            DoCompleteHandling();
    }
    return hr;
}

HRESULT CRenderedInputPin::EndFlush()
{
    CAutoLock lock(m_pLock);
    m_bAtEndOfStream = false;
    m_bCompleteNotified = false;
    return CBaseInputPin::EndFlush();
}

HRESULT CRenderedInputPin::Active()
{
    m_bAtEndOfStream = false;
    m_bCompleteNotified = false;
    return CBaseInputPin::Active();
}

HRESULT CRenderedInputPin::Run(REFERENCE_TIME)
{
    if (m_bAtEndOfStream)
        DoCompleteHandling();
    return S_OK;
}

void CRenderedInputPin::DoCompleteHandling()
{
    if (!m_bCompleteNotified) {
        m_bCompleteNotified = true;
        m_pFilter->NotifyEvent(EC_COMPLETE, S_OK, 0);
    }
}

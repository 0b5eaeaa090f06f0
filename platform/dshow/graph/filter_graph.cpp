// The filter graph manager (CLSID_FilterGraph).
//
// Building: RenderFile opens the file in the splitter and renders each of
// its output pins: a pin connects to a new renderer of its kind, directly
// when the renderer takes the pin's type (PCM audio), else through a
// decoder that the intelligent Connect inserts.
//
// Running: state changes go to every filter, downstream filters first, so a
// renderer stops taking samples before its source stops pushing them.  The
// graph has no clock: streams run as fast as they decode.  Renderers report
// their end of stream (EC_COMPLETE) through IMediaEventSink.
//
// Locks: m_lock guards the filter list and the state, and is held across
// state changes; m_eventMutex guards the completion count and is never held
// while calling a filter, since streaming threads report under their locks.
#include "graph_filters.h"

#include "dshow/combase.h"

#include "core/text.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <new>
#include <set>
#include <vector>

const CLSID CLSID_FilterGraph = {0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

namespace {

struct GraphEntry {
    IBaseFilter* filter; // held
    std::u16string name;
};

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter, PIN_DIRECTION dir)
{
    std::vector<ComPtr<IPin>> out;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(&pins)))
        return out;
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == dir)
            out.emplace_back(pin);
        pin->Release();
    }
    return out;
}

// The major type a pin offers first; GUID_NULL when it offers none.
GUID FirstMajorType(IPin* pin)
{
    GUID major = GUID_NULL;
    ComPtr<IEnumMediaTypes> types;
    AM_MEDIA_TYPE* mt = nullptr;
    if (SUCCEEDED(pin->EnumMediaTypes(&types)) && types->Next(1, &mt, nullptr) == S_OK) {
        major = mt->majortype;
        DeleteMediaType(mt);
    }
    return major;
}

IBaseFilter* OwnerOf(IPin* pin)
{
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info)))
        return nullptr;
    info.pFilter->Release(); // the graph holds it
    return info.pFilter;
}

class CFilterGraph : public CUnknown, public IGraphBuilder, public IMediaControl, public IMediaSeeking,
                     public IMediaEvent, public IMediaEventSink {
public:
    explicit CFilterGraph(IUnknown* outer) : CUnknown("filter graph", outer) {}
    ~CFilterGraph() override
    {
        Stop();
        // Connected pins hold each other's filters: cut every link before letting go.
        for (GraphEntry& e : m_filters)
            DisconnectAll(e.filter);
        for (GraphEntry& e : m_filters) {
            e.filter->JoinFilterGraph(nullptr, nullptr);
            e.filter->Release();
        }
    }

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IFilterGraph || riid == IID_IGraphBuilder)
            return GetInterface(static_cast<IGraphBuilder*>(this), ppv);
        if (riid == IID_IMediaControl)
            return GetInterface(static_cast<IMediaControl*>(this), ppv);
        if (riid == IID_IMediaSeeking)
            return GetInterface(static_cast<IMediaSeeking*>(this), ppv);
        if (riid == IID_IMediaEvent)
            return GetInterface(static_cast<IMediaEvent*>(this), ppv);
        if (riid == IID_IMediaEventSink)
            return GetInterface(static_cast<IMediaEventSink*>(this), ppv);
        return CUnknown::NonDelegatingQueryInterface(riid, ppv);
    }

    // ---- IFilterGraph ----
    HRESULT AddFilter(IBaseFilter* pFilter, LPCWSTR pName) override
    {
        if (!pFilter)
            return E_POINTER;
        CAutoLock lock(&m_lock);
        if (Find(pFilter) != m_filters.end())
            return VFW_E_DUPLICATE_NAME; // already in this graph
        std::u16string name = pName ? std::u16string(pName) : std::u16string();
        name.resize(std::min<std::size_t>(name.size(), MAX_FILTER_NAME - 6)); // room for " 0001" and the end
        HRESULT result = S_OK;
        if (IsNameTaken(name) || name.empty()) {
            const std::u16string base = name;
            for (int n = 1; n <= 9999; ++n) {
                char suffix[8];
                std::snprintf(suffix, sizeof suffix, "%s%04d", base.empty() ? "" : " ", n);
                name = base + Utf8ToUtf16(suffix);
                if (!IsNameTaken(name))
                    break;
            }
            result = pName && *pName ? VFW_S_DUPLICATE_NAME : S_OK;
        }
        HRESULT hr = pFilter->JoinFilterGraph(static_cast<IGraphBuilder*>(this), name.c_str());
        if (FAILED(hr))
            return hr;
        pFilter->AddRef();
        m_filters.push_back({pFilter, name});
        return result;
    }

    HRESULT RemoveFilter(IBaseFilter* pFilter) override
    {
        CAutoLock lock(&m_lock);
        auto it = Find(pFilter);
        if (it == m_filters.end())
            return VFW_E_NOT_FOUND;
        if (m_state != State_Stopped)
            return VFW_E_NOT_STOPPED;
        DisconnectAll(pFilter);
        pFilter->JoinFilterGraph(nullptr, nullptr);
        m_filters.erase(it);
        pFilter->Release();
        return S_OK;
    }

    HRESULT EnumFilters(IEnumFilters** ppEnum) override;

    HRESULT FindFilterByName(LPCWSTR pName, IBaseFilter** ppFilter) override
    {
        if (!pName || !ppFilter)
            return E_POINTER;
        *ppFilter = nullptr;
        CAutoLock lock(&m_lock);
        for (GraphEntry& e : m_filters)
            if (e.name == pName)
                return GetInterface(e.filter, reinterpret_cast<void**>(ppFilter));
        return VFW_E_NOT_FOUND;
    }

    HRESULT ConnectDirect(IPin* ppinOut, IPin* ppinIn, const AM_MEDIA_TYPE* pmt) override
    {
        if (!ppinOut || !ppinIn)
            return E_POINTER;
        CAutoLock lock(&m_lock);
        if (!InGraph(ppinOut) || !InGraph(ppinIn))
            return VFW_E_NOT_IN_GRAPH;
        if (m_state != State_Stopped)
            return VFW_E_NOT_STOPPED;
        return ppinOut->Connect(ppinIn, pmt);
    }

    HRESULT Reconnect(IPin*) override { return E_NOTIMPL; }

    HRESULT Disconnect(IPin* ppin) override
    {
        if (!ppin)
            return E_POINTER;
        return ppin->Disconnect();
    }

    HRESULT SetDefaultSyncSource() override { return S_OK; } // no clock: as fast as possible

    // ---- IGraphBuilder ----
    HRESULT Connect(IPin* ppinOut, IPin* ppinIn) override
    {
        if (!ppinOut || !ppinIn)
            return E_POINTER;
        CAutoLock lock(&m_lock);
        if (m_state != State_Stopped)
            return VFW_E_NOT_STOPPED;
        ComPtr<IPin> peer;
        if (SUCCEEDED(ppinOut->ConnectedTo(&peer)) || SUCCEEDED(ppinIn->ConnectedTo(&peer)))
            return VFW_E_ALREADY_CONNECTED;
        return ConnectVia(ppinOut, ppinIn, 2);
    }

    HRESULT Render(IPin* ppinOut) override
    {
        if (!ppinOut)
            return E_POINTER;
        CAutoLock lock(&m_lock);
        ComPtr<IPin> peer;
        if (SUCCEEDED(ppinOut->ConnectedTo(&peer)))
            return VFW_E_ALREADY_CONNECTED;
        const GUID major = FirstMajorType(ppinOut);
        if (major != MEDIATYPE_Audio && major != MEDIATYPE_Video)
            return VFW_E_CANNOT_RENDER;
        ComPtr<IBaseFilter> renderer;
        std::u16string name;
        HRESULT hr = CreateRenderer(major == MEDIATYPE_Audio, &renderer, &name);
        if (FAILED(hr))
            return hr;
        hr = AddFilter(renderer.Get(), name.c_str());
        if (FAILED(hr))
            return hr;
        std::vector<ComPtr<IPin>> inputs = PinsOf(renderer.Get(), PINDIR_INPUT);
        hr = inputs.empty() ? VFW_E_CANNOT_RENDER : ConnectVia(ppinOut, inputs[0].Get(), 2);
        if (FAILED(hr)) {
            RemoveFilter(renderer.Get());
            return VFW_E_CANNOT_RENDER;
        }
        return S_OK;
    }

    HRESULT RenderFile(LPCWSTR lpcwstrFile, LPCWSTR) override
    {
        if (!lpcwstrFile)
            return E_POINTER;
        CAutoLock lock(&m_lock);
        if (m_state != State_Stopped)
            return VFW_E_NOT_STOPPED;
        const std::size_t before = m_filters.size();
        ComPtr<IBaseFilter> source;
        HRESULT hr = AddSourceFilter(lpcwstrFile, nullptr, &source);
        if (FAILED(hr))
            return hr;
        int rendered = 0, failed = 0;
        for (ComPtr<IPin>& pin : PinsOf(source.Get(), PINDIR_OUTPUT))
            (SUCCEEDED(Render(pin.Get())) ? rendered : failed)++;
        if (rendered == 0) {
            // Nothing playable: leave the graph as it was.
            while (m_filters.size() > before)
                RemoveFilter(m_filters.back().filter);
            return VFW_E_CANNOT_RENDER;
        }
        return failed ? VFW_S_PARTIAL_RENDER : S_OK;
    }

    HRESULT AddSourceFilter(LPCWSTR lpcwstrFileName, LPCWSTR lpcwstrFilterName, IBaseFilter** ppFilter) override
    {
        if (!lpcwstrFileName || !ppFilter)
            return E_POINTER;
        *ppFilter = nullptr;
        std::u16string name;
        ComPtr<IBaseFilter> source;
        HRESULT hr = CreateSplitter(Utf16ToUtf8(lpcwstrFileName), &source, &name);
        if (FAILED(hr))
            return hr;
        hr = AddFilter(source.Get(), lpcwstrFilterName ? lpcwstrFilterName : name.c_str());
        if (FAILED(hr))
            return hr;
        *ppFilter = source.Detach();
        return S_OK;
    }

    HRESULT SetLogFile(std::uintptr_t) override { return S_OK; }
    HRESULT Abort() override { return S_OK; }
    HRESULT ShouldOperationContinue() override { return S_OK; }

    // ---- IMediaControl ----
    HRESULT Run() override
    {
        CAutoLock lock(&m_lock);
        if (m_state == State_Running)
            return S_OK;
        if (m_state == State_Stopped) {
            HRESULT hr = Pause();
            if (FAILED(hr))
                return hr;
        }
        HRESULT hr = ForEachDownstreamFirst([](IBaseFilter* f) { return f->Run(0); });
        m_state = State_Running;
        return hr;
    }

    HRESULT Pause() override
    {
        CAutoLock lock(&m_lock);
        if (m_state == State_Stopped) {
            std::lock_guard<std::mutex> guard(m_eventMutex);
            m_expectedCompletions = CountRenderers();
            m_completions = 0;
            m_errorAbort = false;
        }
        HRESULT hr = ForEachDownstreamFirst([](IBaseFilter* f) { return f->Pause(); });
        if (FAILED(hr)) {
            ForEachDownstreamFirst([](IBaseFilter* f) { return f->Stop(); });
            m_state = State_Stopped;
            return hr;
        }
        m_state = State_Paused;
        return S_OK;
    }

    HRESULT Stop() override
    {
        CAutoLock lock(&m_lock);
        HRESULT hr = ForEachDownstreamFirst([](IBaseFilter* f) { return f->Stop(); });
        m_state = State_Stopped;
        return hr;
    }

    HRESULT GetState(long, OAFilterState* pfs) override
    {
        if (!pfs)
            return E_POINTER;
        *pfs = m_state;
        return S_OK;
    }

    HRESULT StopWhenReady() override { return Stop(); }

    // ---- IMediaSeeking: asked of the first renderer that answers ----
#define FORWARD(call)                                    \
    ComPtr<IMediaSeeking> ms = RendererSeeking();        \
    return ms ? ms->call : E_NOTIMPL
    HRESULT GetCapabilities(DWORD* p) override { FORWARD(GetCapabilities(p)); }
    HRESULT CheckCapabilities(DWORD* p) override { FORWARD(CheckCapabilities(p)); }
    HRESULT IsFormatSupported(const GUID* f) override { FORWARD(IsFormatSupported(f)); }
    HRESULT QueryPreferredFormat(GUID* f) override { FORWARD(QueryPreferredFormat(f)); }
    HRESULT GetTimeFormat(GUID* f) override { FORWARD(GetTimeFormat(f)); }
    HRESULT IsUsingTimeFormat(const GUID* f) override { FORWARD(IsUsingTimeFormat(f)); }
    HRESULT SetTimeFormat(const GUID* f) override { FORWARD(SetTimeFormat(f)); }
    HRESULT GetDuration(LONGLONG* p) override { FORWARD(GetDuration(p)); }
    HRESULT GetStopPosition(LONGLONG* p) override { FORWARD(GetStopPosition(p)); }
    HRESULT GetCurrentPosition(LONGLONG* p) override { FORWARD(GetCurrentPosition(p)); }
    HRESULT ConvertTimeFormat(LONGLONG* t, const GUID* tf, LONGLONG s, const GUID* sf) override { FORWARD(ConvertTimeFormat(t, tf, s, sf)); }
    HRESULT SetPositions(LONGLONG* c, DWORD cf, LONGLONG* s, DWORD sf) override { FORWARD(SetPositions(c, cf, s, sf)); }
    HRESULT GetPositions(LONGLONG* c, LONGLONG* s) override { FORWARD(GetPositions(c, s)); }
    HRESULT GetAvailable(LONGLONG* e, LONGLONG* l) override { FORWARD(GetAvailable(e, l)); }
    HRESULT SetRate(double r) override { FORWARD(SetRate(r)); }
    HRESULT GetRate(double* r) override { FORWARD(GetRate(r)); }
    HRESULT GetPreroll(LONGLONG* p) override { FORWARD(GetPreroll(p)); }
#undef FORWARD

    // ---- IMediaEvent ----
    HRESULT WaitForCompletion(long msTimeout, long* pEvCode) override
    {
        if (!pEvCode)
            return E_POINTER;
        *pEvCode = 0;
        std::unique_lock<std::mutex> lock(m_eventMutex);
        auto done = [this] { return m_errorAbort || (m_expectedCompletions > 0 && m_completions >= m_expectedCompletions); };
        if (msTimeout < 0)
            m_eventCv.wait(lock, done);
        else if (!m_eventCv.wait_for(lock, std::chrono::milliseconds(msTimeout), done))
            return E_ABORT;
        *pEvCode = m_errorAbort ? EC_ERRORABORT : EC_COMPLETE;
        return S_OK;
    }

    // ---- IMediaEventSink ----
    HRESULT Notify(long EventCode, std::intptr_t, std::intptr_t) override
    {
        std::lock_guard<std::mutex> guard(m_eventMutex);
        if (EventCode == EC_COMPLETE)
            ++m_completions;
        else if (EventCode == EC_ERRORABORT)
            m_errorAbort = true;
        m_eventCv.notify_all();
        return S_OK;
    }

    std::vector<IBaseFilter*> Snapshot()
    {
        CAutoLock lock(&m_lock);
        std::vector<IBaseFilter*> out;
        for (GraphEntry& e : m_filters)
            out.push_back(e.filter);
        return out;
    }

private:
    std::vector<GraphEntry>::iterator Find(IBaseFilter* f)
    {
        return std::find_if(m_filters.begin(), m_filters.end(), [f](const GraphEntry& e) { return e.filter == f; });
    }
    bool IsNameTaken(const std::u16string& name) const
    {
        return std::any_of(m_filters.begin(), m_filters.end(), [&](const GraphEntry& e) { return e.name == name; });
    }
    bool InGraph(IPin* pin)
    {
        IBaseFilter* owner = OwnerOf(pin);
        return owner && Find(owner) != m_filters.end();
    }

    static void DisconnectAll(IBaseFilter* filter)
    {
        for (PIN_DIRECTION dir : {PINDIR_INPUT, PINDIR_OUTPUT})
            for (ComPtr<IPin>& pin : PinsOf(filter, dir)) {
                ComPtr<IPin> peer;
                if (SUCCEEDED(pin->ConnectedTo(&peer))) {
                    peer->Disconnect();
                    pin->Disconnect();
                }
            }
    }

    // Direct first; else through a decoder for one of the output's types,
    // whose output is connected onwards in turn (depth decoders at most).
    HRESULT ConnectVia(IPin* out, IPin* in, int depth)
    {
        if (SUCCEEDED(out->Connect(in, nullptr)))
            return S_OK;
        if (depth == 0)
            return VFW_E_CANNOT_CONNECT;
        ComPtr<IEnumMediaTypes> types;
        if (FAILED(out->EnumMediaTypes(&types)))
            return VFW_E_CANNOT_CONNECT;
        AM_MEDIA_TYPE* mt = nullptr;
        while (types->Next(1, &mt, nullptr) == S_OK) {
            ComPtr<IBaseFilter> decoder;
            std::u16string name;
            HRESULT hr = CreateDecoder(*mt, &decoder, &name);
            DeleteMediaType(mt);
            if (FAILED(hr) || FAILED(AddFilter(decoder.Get(), name.c_str())))
                continue;
            std::vector<ComPtr<IPin>> ins = PinsOf(decoder.Get(), PINDIR_INPUT);
            std::vector<ComPtr<IPin>> outs = PinsOf(decoder.Get(), PINDIR_OUTPUT);
            if (!ins.empty() && !outs.empty() && SUCCEEDED(out->Connect(ins[0].Get(), nullptr))) {
                if (SUCCEEDED(ConnectVia(outs[0].Get(), in, depth - 1)))
                    return S_OK;
            }
            RemoveFilter(decoder.Get());
        }
        return VFW_E_CANNOT_CONNECT;
    }

    // Filters whose outputs lead nowhere connected: the ones that report completion.
    int CountRenderers()
    {
        int n = 0;
        for (GraphEntry& e : m_filters) {
            auto connected = [](std::vector<ComPtr<IPin>> pins) {
                return std::any_of(pins.begin(), pins.end(), [](ComPtr<IPin>& p) { ComPtr<IPin> peer; return SUCCEEDED(p->ConnectedTo(&peer)); });
            };
            if (connected(PinsOf(e.filter, PINDIR_INPUT)) && !connected(PinsOf(e.filter, PINDIR_OUTPUT)))
                ++n;
        }
        return n;
    }

    ComPtr<IMediaSeeking> RendererSeeking()
    {
        CAutoLock lock(&m_lock);
        for (GraphEntry& e : m_filters) {
            if (!PinsOf(e.filter, PINDIR_OUTPUT).empty())
                continue;
            ComPtr<IMediaSeeking> ms;
            if (SUCCEEDED(e.filter->QueryInterface(IID_IMediaSeeking, ms.Out())))
                return ms;
        }
        return {};
    }

    // Calls fn on every filter, each after all the filters its outputs feed.
    template <class Fn> HRESULT ForEachDownstreamFirst(Fn fn)
    {
        std::vector<IBaseFilter*> order;
        std::set<IBaseFilter*> placed;
        while (order.size() < m_filters.size()) {
            bool progress = false;
            for (GraphEntry& e : m_filters) {
                if (placed.count(e.filter))
                    continue;
                bool ready = true;
                for (ComPtr<IPin>& pin : PinsOf(e.filter, PINDIR_OUTPUT)) {
                    ComPtr<IPin> peer;
                    if (SUCCEEDED(pin->ConnectedTo(&peer))) {
                        IBaseFilter* next = OwnerOf(peer.Get());
                        if (next && next != e.filter && !placed.count(next) && Find(next) != m_filters.end())
                            ready = false;
                    }
                }
                if (ready) {
                    order.push_back(e.filter);
                    placed.insert(e.filter);
                    progress = true;
                }
            }
            if (!progress) // a cycle: take the rest as they come
                for (GraphEntry& e : m_filters)
                    if (placed.insert(e.filter).second)
                        order.push_back(e.filter);
        }
        HRESULT result = S_OK;
        for (IBaseFilter* f : order) {
            HRESULT hr = fn(f);
            if (FAILED(hr) && SUCCEEDED(result))
                result = hr;
        }
        return result;
    }

    CCritSec m_lock;
    std::vector<GraphEntry> m_filters; // in the order they were added
    FILTER_STATE m_state = State_Stopped;
    std::mutex m_eventMutex;
    std::condition_variable m_eventCv;
    int m_expectedCompletions = 0, m_completions = 0;
    bool m_errorAbort = false;
};

// A snapshot of the graph's filters, each held while listed.
class CEnumFilters final : public CSingleInterface<IEnumFilters, IID_IEnumFilters> {
public:
    explicit CEnumFilters(std::vector<IBaseFilter*> filters, ULONG pos = 0) : m_filters(std::move(filters)), m_pos(pos)
    {
        for (IBaseFilter* f : m_filters)
            f->AddRef();
    }
    HRESULT Next(ULONG count, IBaseFilter** out, ULONG* fetched) override
    {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG got = 0;
        while (got < count && m_pos < m_filters.size()) {
            out[got] = m_filters[m_pos++];
            out[got++]->AddRef();
        }
        if (fetched)
            *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override
    {
        m_pos += count;
        return m_pos <= m_filters.size() ? S_OK : S_FALSE;
    }
    HRESULT Reset() override { m_pos = 0; return S_OK; }
    HRESULT Clone(IEnumFilters** out) override
    {
        if (!out)
            return E_POINTER;
        auto* e = new (std::nothrow) CEnumFilters(m_filters, m_pos);
        if (!e)
            return E_OUTOFMEMORY;
        return GetInterface(e, reinterpret_cast<void**>(out));
    }

private:
    ~CEnumFilters() override
    {
        for (IBaseFilter* f : m_filters)
            f->Release();
    }
    std::vector<IBaseFilter*> m_filters;
    ULONG m_pos;
};

HRESULT CFilterGraph::EnumFilters(IEnumFilters** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    auto* e = new (std::nothrow) CEnumFilters(Snapshot());
    if (!e)
        return E_OUTOFMEMORY;
    return GetInterface(e, reinterpret_cast<void**>(ppEnum));
}

class CGraphFactory : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IClassFactory)
            return GetInterface(this, ppv);
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; } // lives as long as the program
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer && riid != IID_IUnknown)
            return E_NOINTERFACE;
        auto* graph = new (std::nothrow) CFilterGraph(outer);
        if (!graph)
            return E_OUTOFMEMORY;
        graph->NonDelegatingAddRef();
        HRESULT hr = graph->NonDelegatingQueryInterface(riid, ppv);
        graph->NonDelegatingRelease();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

CGraphFactory g_graphFactory;
// Naming CLSID_FilterGraph links this file in, and with it this registration.
const HRESULT g_graphRegistered = CoRegisterClassObject(CLSID_FilterGraph, &g_graphFactory);

} // namespace

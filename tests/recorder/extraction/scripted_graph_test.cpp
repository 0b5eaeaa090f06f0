// The engine driven by a scripted graph: the filter graph manager and the
// dump filter are replaced through the component layer by classes that play
// a written script (filters, pins and their media kinds, a duration, a
// failing Run), for what a real file cannot show.
#include "extraction/sound_extractor.h"
#include "testkit.h"

#include "core/text.h"
#include "pcmtap_uids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

// Reference counting for the scripted objects; they live on the heap.
template <class... I> class Scripted : public I... {
public:
    virtual ~Scripted() = default;
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG n = --m_refs;
        if (!n)
            delete this;
        return n;
    }

private:
    std::atomic<ULONG> m_refs{1};
};

template <class E, class T> class Enum : public Scripted<E> {
public:
    explicit Enum(std::vector<T*> items) : m_items(std::move(items))
    {
        for (T* t : m_items)
            t->AddRef();
    }
    ~Enum() override
    {
        for (T* t : m_items)
            t->Release();
    }
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    HRESULT Next(ULONG, T** out, ULONG* fetched) override
    {
        if (fetched)
            *fetched = 0;
        if (m_pos >= m_items.size())
            return S_FALSE;
        *out = m_items[m_pos++];
        (*out)->AddRef();
        if (fetched)
            *fetched = 1;
        return S_OK;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override { m_pos = 0; return S_OK; }
    HRESULT Clone(E**) override { return E_NOTIMPL; }

private:
    std::vector<T*> m_items;
    std::size_t m_pos = 0;
};

class TypeEnum : public Scripted<IEnumMediaTypes> {
public:
    TypeEnum(std::vector<GUID> majors, const WAVEFORMATEX* format) : m_majors(std::move(majors)), m_format(format) {}
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    HRESULT Next(ULONG, AM_MEDIA_TYPE** out, ULONG* fetched) override
    {
        if (fetched)
            *fetched = 0;
        if (m_pos >= m_majors.size())
            return S_FALSE;
        auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        *mt = AM_MEDIA_TYPE{};
        mt->majortype = m_majors[m_pos++];
        if (m_format) {
            mt->formattype = FORMAT_WaveFormatEx;
            mt->cbFormat = sizeof(WAVEFORMATEX);
            mt->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
            std::memcpy(mt->pbFormat, m_format, sizeof(WAVEFORMATEX));
        }
        *out = mt;
        if (fetched)
            *fetched = 1;
        return S_OK;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override { m_pos = 0; return S_OK; }
    HRESULT Clone(IEnumMediaTypes**) override { return E_NOTIMPL; }

private:
    std::vector<GUID> m_majors;
    const WAVEFORMATEX* m_format;
    std::size_t m_pos = 0;
};

const WAVEFORMATEX kPcm = MakePcmFormat(44100, 2, 16);

class Pin : public Scripted<IPin> {
public:
    Pin(PIN_DIRECTION dir, std::vector<GUID> majors) : m_dir(dir), m_majors(std::move(majors)) {}
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    HRESULT Connect(IPin* receive, const AM_MEDIA_TYPE*) override { Link(static_cast<Pin*>(receive)); return S_OK; }
    HRESULT ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT Disconnect() override
    {
        if (!m_peer)
            return S_FALSE;
        m_peer = nullptr; // peers are not held: the script owns every pin
        return S_OK;
    }
    HRESULT ConnectedTo(IPin** out) override
    {
        *out = m_peer;
        if (!m_peer)
            return VFW_E_NOT_CONNECTED;
        m_peer->AddRef();
        return S_OK;
    }
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
    HRESULT QueryDirection(PIN_DIRECTION* dir) override { *dir = m_dir; return S_OK; }
    HRESULT QueryId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT QueryAccept(const AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT EnumMediaTypes(IEnumMediaTypes** out) override
    {
        *out = new TypeEnum(m_majors, m_majors.size() == 1 && m_majors[0] == MEDIATYPE_Audio ? &kPcm : nullptr);
        return S_OK;
    }
    HRESULT QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT EndOfStream() override { return S_OK; }
    HRESULT BeginFlush() override { return S_OK; }
    HRESULT EndFlush() override { return S_OK; }
    HRESULT NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    void Link(Pin* other)
    {
        m_peer = other;
        other->m_peer = this;
    }
    Pin* Peer() const { return m_peer; }

private:
    PIN_DIRECTION m_dir;
    std::vector<GUID> m_majors;
    Pin* m_peer = nullptr;
};

struct Script;

class Filter : public Scripted<IBaseFilter> {
public:
    Filter(std::u16string name, bool readable = true) : m_name(std::move(name)), m_readable(readable) {}
    ~Filter() override
    {
        for (Pin* p : m_pins)
            p->Release();
    }
    Pin* AddPin(PIN_DIRECTION dir, std::vector<GUID> majors)
    {
        m_pins.push_back(new Pin(dir, std::move(majors)));
        return m_pins.back();
    }
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IBaseFilter || riid == IID_IUnknown) {
            *ppv = static_cast<IBaseFilter*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT Stop() override { return S_OK; }
    HRESULT Pause() override { return S_OK; }
    HRESULT Run(REFERENCE_TIME) override { return S_OK; }
    HRESULT GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
    HRESULT SetSyncSource(IReferenceClock*) override { return S_OK; }
    HRESULT GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
    HRESULT EnumPins(IEnumPins** out) override
    {
        *out = new Enum<IEnumPins, IPin>({m_pins.begin(), m_pins.end()});
        return S_OK;
    }
    HRESULT FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
    HRESULT QueryFilterInfo(FILTER_INFO* info) override
    {
        if (!m_readable)
            return E_FAIL;
        *info = FILTER_INFO{};
        std::copy(m_name.begin(), m_name.end(), info->achName);
        return S_OK;
    }
    HRESULT JoinFilterGraph(IFilterGraph*, LPCWSTR name) override
    {
        if (name)
            m_name = name;
        return S_OK;
    }
    HRESULT QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

private:
    std::u16string m_name;
    bool m_readable;
    std::vector<Pin*> m_pins;
};

// What the scripted classes play, and what they saw.
struct Script {
    LONGLONG duration = 3 * UNITS;
    LONGLONG step = UNITS / 2; // position gained per position query while running
    HRESULT runResult = S_OK;
    bool videoRenderer = true;
    int runs = 0, pauses = 0, stops = 0;
    bool running = false;
    LONGLONG position = 0;
    std::string rawPath;
} g_script;

// The dump filter: its input pin, the file sink (which creates the file) and
// positions that advance while the graph runs.
class Dump : public Scripted<IBaseFilter, IFileSinkFilter, IMediaSeeking> {
public:
    Dump() : m_filter(new Filter(u"dump")) { m_in = m_filter->AddPin(PINDIR_INPUT, {}); }
    ~Dump() override { m_filter->Release(); }
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IBaseFilter || riid == IID_IUnknown)
            *ppv = static_cast<IBaseFilter*>(this);
        else if (riid == IID_IFileSinkFilter)
            *ppv = static_cast<IFileSinkFilter*>(this);
        else if (riid == IID_IMediaSeeking)
            *ppv = static_cast<IMediaSeeking*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return Scripted::AddRef(); }
    ULONG Release() override { return Scripted::Release(); }
    // IBaseFilter, through the plain filter
    HRESULT GetClassID(CLSID* c) override { *c = CLSID_SoundDump; return S_OK; }
    HRESULT Stop() override { return S_OK; }
    HRESULT Pause() override { return S_OK; }
    HRESULT Run(REFERENCE_TIME) override { return S_OK; }
    HRESULT GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
    HRESULT SetSyncSource(IReferenceClock*) override { return S_OK; }
    HRESULT GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
    HRESULT EnumPins(IEnumPins** out) override { return m_filter->EnumPins(out); }
    HRESULT FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
    HRESULT QueryFilterInfo(FILTER_INFO* info) override { return m_filter->QueryFilterInfo(info); }
    HRESULT JoinFilterGraph(IFilterGraph* g, LPCWSTR name) override { return m_filter->JoinFilterGraph(g, name); }
    HRESULT QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }
    // IFileSinkFilter
    HRESULT SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) override
    {
        g_script.rawPath = Utf16ToUtf8(name);
        testkit::WriteFile(g_script.rawPath, "");
        return S_OK;
    }
    HRESULT GetCurFile(LPOLESTR*, AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    // IMediaSeeking
    HRESULT GetCapabilities(DWORD*) override { return E_NOTIMPL; }
    HRESULT CheckCapabilities(DWORD*) override { return E_NOTIMPL; }
    HRESULT IsFormatSupported(const GUID*) override { return E_NOTIMPL; }
    HRESULT QueryPreferredFormat(GUID*) override { return E_NOTIMPL; }
    HRESULT GetTimeFormat(GUID*) override { return E_NOTIMPL; }
    HRESULT IsUsingTimeFormat(const GUID*) override { return E_NOTIMPL; }
    HRESULT SetTimeFormat(const GUID*) override { return E_NOTIMPL; }
    HRESULT GetDuration(LONGLONG* d) override
    {
        if (!g_script.duration)
            return E_NOTIMPL; // seeking unavailable
        *d = g_script.duration;
        return S_OK;
    }
    HRESULT GetStopPosition(LONGLONG*) override { return E_NOTIMPL; }
    HRESULT GetCurrentPosition(LONGLONG* p) override
    {
        if (g_script.running)
            g_script.position = std::min(g_script.position + g_script.step, g_script.duration);
        *p = g_script.position;
        return S_OK;
    }
    HRESULT ConvertTimeFormat(LONGLONG*, const GUID*, LONGLONG, const GUID*) override { return E_NOTIMPL; }
    HRESULT SetPositions(LONGLONG*, DWORD, LONGLONG*, DWORD) override { return E_NOTIMPL; }
    HRESULT GetPositions(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
    HRESULT GetAvailable(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
    HRESULT SetRate(double) override { return E_NOTIMPL; }
    HRESULT GetRate(double*) override { return E_NOTIMPL; }
    HRESULT GetPreroll(LONGLONG*) override { return E_NOTIMPL; }

private:
    Filter* m_filter;
    Pin* m_in;
};

// The graph: RenderFile lays out splitter, decoders and renderers (an audio
// decoder whose output enumerates no types, an unreadable filter, audio of
// the analog major type on the renderer).
class Graph : public Scripted<IGraphBuilder, IMediaControl> {
public:
    ~Graph() override
    {
        for (IBaseFilter* f : m_filters)
            f->Release();
    }
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IGraphBuilder || riid == IID_IFilterGraph || riid == IID_IUnknown)
            *ppv = static_cast<IGraphBuilder*>(this);
        else if (riid == IID_IMediaControl)
            *ppv = static_cast<IMediaControl*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return Scripted::AddRef(); }
    ULONG Release() override { return Scripted::Release(); }
    HRESULT AddFilter(IBaseFilter* f, LPCWSTR name) override
    {
        f->AddRef();
        f->JoinFilterGraph(this, name);
        m_filters.push_back(f);
        return S_OK;
    }
    HRESULT RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT EnumFilters(IEnumFilters** out) override
    {
        *out = new Enum<IEnumFilters, IBaseFilter>(m_filters);
        return S_OK;
    }
    HRESULT FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT Reconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT Disconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT SetDefaultSyncSource() override { return S_OK; }
    HRESULT Connect(IPin* out, IPin* in) override { return out->Connect(in, nullptr); }
    HRESULT Render(IPin*) override { return E_NOTIMPL; }
    HRESULT RenderFile(LPCWSTR, LPCWSTR) override
    {
        auto* splitter = Add(new Filter(u"Scripted Splitter"));
        Pin* video = splitter->AddPin(PINDIR_OUTPUT, {MEDIATYPE_Video});
        Pin* audio = splitter->AddPin(PINDIR_OUTPUT, {MEDIATYPE_Audio});
        Add(new Filter(u"Unreadable", false))->AddPin(PINDIR_INPUT, {MEDIATYPE_Audio});
        auto* vdec = Add(new Filter(u"Video Decoder"));
        vdec->AddPin(PINDIR_INPUT, {MEDIATYPE_Video})->Link(video);
        Pin* vdecOut = vdec->AddPin(PINDIR_OUTPUT, {MEDIATYPE_Video});
        auto* adec = Add(new Filter(u"Quiet Audio Decoder"));
        adec->AddPin(PINDIR_INPUT, {MEDIATYPE_Audio})->Link(audio);
        Pin* adecOut = adec->AddPin(PINDIR_OUTPUT, {}); // enumerates nothing
        Add(new Filter(u"Audio Renderer"))->AddPin(PINDIR_INPUT, {MEDIATYPE_AnalogAudio})->Link(adecOut);
        if (g_script.videoRenderer)
            Add(new Filter(u"Video Renderer"))->AddPin(PINDIR_INPUT, {MEDIATYPE_Video})->Link(vdecOut);
        return S_OK;
    }
    HRESULT AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT SetLogFile(std::uintptr_t) override { return S_OK; }
    HRESULT Abort() override { return S_OK; }
    HRESULT ShouldOperationContinue() override { return S_OK; }
    // IMediaControl
    HRESULT Run() override
    {
        ++g_script.runs;
        g_script.running = SUCCEEDED(g_script.runResult);
        return g_script.runResult;
    }
    HRESULT Pause() override { ++g_script.pauses; g_script.running = false; return S_OK; }
    HRESULT Stop() override { ++g_script.stops; g_script.running = false; return S_OK; }
    HRESULT GetState(long, OAFilterState*) override { return E_NOTIMPL; }
    HRESULT StopWhenReady() override { return E_NOTIMPL; }

    std::vector<IBaseFilter*> m_filters;

private:
    Filter* Add(Filter* f)
    {
        m_filters.push_back(f);
        return f;
    }
};

template <class T> class Factory : public Scripted<IClassFactory> {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid != IID_IClassFactory && riid != IID_IUnknown)
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT CreateInstance(IUnknown*, REFIID riid, void** ppv) override
    {
        T* object = new T;
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

class ScriptedGraph : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The class table keeps its factories for the life of the process,
        // as the real graph's lives in static storage.
        static Factory<Graph> graphs;
        static Factory<Dump> dumps;
        CoRegisterClassObject(CLSID_FilterGraph, &graphs);
        CoRegisterClassObject(CLSID_SoundDump, &dumps);
    }
    void SetUp() override { g_script = Script{}; }

    testkit::TempDir m_dir;
    CSoundExtractor m_engine;
};

TEST_F(ScriptedGraph, ClassifiesByPinKindsWithTheFillInRule)
{
    ASSERT_TRUE(m_engine.OpenSource("film.avi"));
    const auto& r = m_engine.GetFilterRecords();
    ASSERT_EQ(r.size(), 5u); // the unreadable filter takes no index
    EXPECT_EQ(r[1].name, "Video Decoder");
    EXPECT_EQ(r[2].name, "Quiet Audio Decoder");
    EXPECT_EQ(r[2].index, 2);
    EXPECT_EQ(r[2].outputFlags, MF_AUDIO); // filled in from its input
    EXPECT_EQ(r[3].inputFlags, MF_AUDIO);  // analog audio counts as audio
    std::string codec, video;
    int channels = 0, rate = 0, bits = 0;
    EXPECT_TRUE(m_engine.GetVideoInfo(&video));
    EXPECT_EQ(video, "Video Decoder");
    EXPECT_TRUE(m_engine.GetAudioInfo(&codec, &channels, &rate, &bits));
    EXPECT_EQ(codec, "Quiet Audio Decoder");
    EXPECT_EQ(rate, 44100);
}

TEST_F(ScriptedGraph, PreparesWithoutAVideoRendererAndPausingPausesTheGraph)
{
    g_script.videoRenderer = false;
    ASSERT_TRUE(m_engine.OpenSource("film.avi"));
    ASSERT_TRUE(m_engine.PrepareExtraction(m_dir / "out.wav", OFT_WAV));
    EXPECT_EQ(g_script.rawPath, m_dir / "out.raw");
    EXPECT_EQ(m_engine.GetSourceFormat().wFormatTag, 0); // the quiet decoder offers no wave format

    std::vector<DWORD> seen;
    int pausedCalls = 0;
    struct Ctx { CSoundExtractor* e; std::vector<DWORD>* seen; int* paused; } ctx{&m_engine, &seen, &pausedCalls};
    const WAVEFORMATEX out = MakePcmFormat(44100, 2, 16);
    const BOOL produced = m_engine.Extract(nullptr, [](DWORD done, DWORD total, void* user) {
        auto* c = static_cast<Ctx*>(user);
        if (total != 3000)
            return; // conversion
        c->seen->push_back(done);
        if (done == 1000 && !c->e->IsPaused() && *c->paused == 0)
            c->e->TogglePause(FALSE);
        else if (c->e->IsPaused() && ++*c->paused == 5)
            c->e->TogglePause(TRUE);
    }, &ctx, &out);
    EXPECT_EQ(g_script.pauses, 1);
    EXPECT_EQ(g_script.runs, 2);
    EXPECT_EQ(g_script.stops, 1);
    // 0, 500, 1000, then the paused count held five times, on to the end.
    const std::vector<DWORD> expected = {0, 500, 1000, 1000, 1000, 1000, 1000, 1000, 1500, 2000, 2500, 3000};
    EXPECT_EQ(seen, expected);
    // The source format was never known: the converter refuses, the raw stays.
    EXPECT_FALSE(produced);
    EXPECT_TRUE(std::filesystem::exists(m_dir / "out.raw"));
}

TEST_F(ScriptedGraph, DurationZeroPassesOnceAndAFailingRunConvertsNothing)
{
    g_script.duration = 0;
    ASSERT_TRUE(m_engine.OpenSource("film.avi"));
    ASSERT_TRUE(m_engine.PrepareExtraction(m_dir / "out.ogg", OFT_OGG));
    int calls = 0;
    const WAVEFORMATEX out = MakePcmFormat(44100, 2, 16);
    m_engine.Extract(nullptr, [](DWORD done, DWORD total, void* user) {
        if (total == 0 && done == 0)
            ++*static_cast<int*>(user);
    }, &calls, &out);
    EXPECT_EQ(calls, 2); // one pass of the loop and the closing report
    EXPECT_EQ(g_script.stops, 1);

    g_script = Script{};
    g_script.runResult = E_FAIL;
    ASSERT_TRUE(m_engine.OpenSource("film.avi"));
    ASSERT_TRUE(m_engine.PrepareExtraction(m_dir / "second.wav", OFT_WAV));
    calls = 0;
    EXPECT_FALSE(m_engine.Extract(nullptr, [](DWORD, DWORD, void* user) { ++*static_cast<int*>(user); }, &calls, &out));
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(m_engine.IsRunning());
    EXPECT_FALSE(std::filesystem::exists(m_dir / "second.wav"));
}

} // namespace

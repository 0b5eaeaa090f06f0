// The graph side of the extraction engine: rendering, classifying the
// filters, rewiring the graph for the dump filter and the capture loop.
#include "sound_extractor.h"

#include "pcmtap_uids.h"

#include "core/text.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

namespace {

enum Role { ROLE_SPLITTER, ROLE_AUDIO_DECODER, ROLE_VIDEO_DECODER, ROLE_AUDIO_RENDERER, ROLE_VIDEO_RENDERER };

bool MatchesRole(const GraphFilterRecord& r, int role)
{
    switch (role) {
    case ROLE_SPLITTER:
        return r.hasOutput && (r.outputFlags & MF_AUDIO) && (r.outputFlags & MF_VIDEO);
    case ROLE_AUDIO_DECODER:
        return r.hasOutput == 1 && r.hasInput == 1 && r.outputFlags == MF_AUDIO && r.inputFlags == MF_AUDIO;
    case ROLE_VIDEO_DECODER:
        return r.hasOutput == 1 && r.hasInput == 1 && r.outputFlags == MF_VIDEO && r.inputFlags == MF_VIDEO;
    case ROLE_AUDIO_RENDERER:
        return r.hasInput == 1 && r.hasOutput == 0 && (r.inputFlags & MF_AUDIO);
    case ROLE_VIDEO_RENDERER:
        return r.hasInput == 1 && r.hasOutput == 0 && r.outputFlags == 0 && !(r.inputFlags & MF_AUDIO);
    }
    return false;
}

const GraphFilterRecord* FirstRecord(const std::vector<GraphFilterRecord>& records, int role)
{
    for (const GraphFilterRecord& r : records)
        if (MatchesRole(r, role))
            return &r;
    return nullptr;
}

// The filter's name in the graph; false when its information is unreadable.
bool ReadFilterName(IBaseFilter* filter, std::string* pName)
{
    FILTER_INFO info{};
    if (FAILED(filter->QueryFilterInfo(&info)))
        return false;
    if (info.pGraph)
        info.pGraph->Release();
    info.achName[MAX_FILTER_NAME - 1] = 0;
    *pName = Utf16ToUtf8(info.achName);
    return true;
}

// Calls fn(pin) for each pin of a direction until it returns false.  The
// result is the enumeration's last answer (S_FALSE at its normal end), or
// what fn left in *pStop when it stopped the walk.
template <class Fn> HRESULT ForEachPin(IBaseFilter* filter, PIN_DIRECTION dir, Fn fn)
{
    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(&pins);
    if (FAILED(hr))
        return hr;
    for (;;) {
        IPin* pin = nullptr;
        hr = pins->Next(1, &pin, nullptr);
        if (hr != S_OK)
            return hr;
        PIN_DIRECTION d;
        const bool mine = SUCCEEDED(pin->QueryDirection(&d)) && d == dir;
        HRESULT stop = S_OK;
        const bool more = !mine || fn(pin, &stop);
        pin->Release();
        if (!more)
            return stop;
    }
}

bool HasPin(IBaseFilter* filter, PIN_DIRECTION dir)
{
    bool found = false;
    ForEachPin(filter, dir, [&](IPin*, HRESULT*) { found = true; return false; });
    return found;
}

int GetPinMediaFlags(IPin* pin)
{
    int flags = 0;
    ComPtr<IEnumMediaTypes> types;
    if (FAILED(pin->EnumMediaTypes(&types)))
        return 0;
    AM_MEDIA_TYPE* mt = nullptr;
    while (types->Next(1, &mt, nullptr) == S_OK) {
        if (mt->majortype == MEDIATYPE_Audio || mt->majortype == MEDIATYPE_AnalogAudio)
            flags |= MF_AUDIO;
        else if (mt->majortype == MEDIATYPE_Video)
            flags |= MF_VIDEO;
        DeleteMediaType(mt);
    }
    return flags;
}

int GetPinsMediaFlags(IBaseFilter* filter, PIN_DIRECTION dir)
{
    int flags = 0;
    ForEachPin(filter, dir, [&](IPin* pin, HRESULT*) { flags |= GetPinMediaFlags(pin); return true; });
    return flags;
}

// The first pin of a direction carrying audio (or video); held, or null.
IPin* FindMediaPin(IBaseFilter* filter, PIN_DIRECTION dir, bool audio)
{
    IPin* found = nullptr;
    ForEachPin(filter, dir, [&](IPin* pin, HRESULT*) {
        if (!(GetPinMediaFlags(pin) & (audio ? MF_AUDIO : MF_VIDEO)))
            return true;
        found = pin;
        found->AddRef();
        return false;
    });
    return found;
}

// The wave format of the first type the pin offers, when it is audio with a
// wave-format block; *pFormat is left alone otherwise.  FALSE when the pin
// offers no type at all.
BOOL ReadPinWaveFormat(IPin* pin, WAVEFORMATEX* pFormat)
{
    ComPtr<IEnumMediaTypes> types;
    if (FAILED(pin->EnumMediaTypes(&types)))
        return FALSE;
    AM_MEDIA_TYPE* mt = nullptr;
    if (types->Next(1, &mt, nullptr) != S_OK)
        return FALSE;
    if (mt->majortype == MEDIATYPE_Audio && mt->formattype == FORMAT_WaveFormatEx && mt->pbFormat
        && mt->cbFormat >= sizeof(WAVEFORMATEX))
        std::memcpy(pFormat, mt->pbFormat, sizeof(WAVEFORMATEX));
    DeleteMediaType(mt);
    return TRUE;
}

// Cuts a pin from its peer, both ends.
HRESULT DisconnectPin(IPin* pin)
{
    if (!pin)
        return E_FAIL;
    ComPtr<IPin> peer;
    HRESULT hr = pin->ConnectedTo(&peer);
    if (FAILED(hr))
        return hr;
    hr = pin->Disconnect();
    return SUCCEEDED(hr) ? peer->Disconnect() : S_OK;
}

// Cuts the pins of a direction that lack audio (nonAudio) or carry it
// (audio).  Pins without a peer end the walk with their failure.
HRESULT DisconnectPins(IBaseFilter* filter, PIN_DIRECTION dir, bool nonAudio, bool audio)
{
    return ForEachPin(filter, dir, [&](IPin* pin, HRESULT* pStop) {
        const bool hasAudio = (GetPinMediaFlags(pin) & MF_AUDIO) != 0;
        if ((nonAudio && !hasAudio) || (audio && hasAudio)) {
            *pStop = DisconnectPin(pin);
            return *pStop == S_OK;
        }
        return true;
    });
}

} // namespace

void CSoundExtractor::Breathe()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void CSoundExtractor::Notify(DWORD done, DWORD total)
{
    if (m_pfnProgress)
        m_pfnProgress(done, total, m_ProgressUser);
}

CSoundExtractor::~CSoundExtractor()
{
    Reset();
}

BOOL CSoundExtractor::IsDumpFilterAvailable()
{
    ComPtr<IBaseFilter> dump;
    return SUCCEEDED(CoCreateInstance(CLSID_SoundDump, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, dump.Out()));
}

std::string CSoundExtractor::RawPathFor(const std::string& outputPath, int outputType)
{
    static const char* const kExtensions[] = {".wav", ".mp3", ".wma", ".ogg"};
    const std::size_t slash = outputPath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (outputType >= OFT_WAV && outputType <= OFT_OGG) {
        const std::string ext = kExtensions[outputType];
        if (outputPath.size() >= nameStart + ext.size()
            && EqualsNoCase(std::string_view(outputPath).substr(outputPath.size() - ext.size()), ext))
            return outputPath.substr(0, outputPath.size() - ext.size()) + ".raw";
    }
    return outputPath + ".raw";
}

void CSoundExtractor::ReleaseGraph()
{
    if (m_pDumpFilter) {
        m_pDumpFilter->Release();
        m_pDumpFilter = nullptr;
    }
    if (m_pControl) {
        m_pControl->Release();
        m_pControl = nullptr;
    }
    if (m_pGraph) {
        m_pGraph->Release();
        m_pGraph = nullptr;
    }
}

void CSoundExtractor::Reset()
{
    m_pfnProgress = nullptr;
    m_ProgressUser = nullptr;
    m_Filters.clear();
    m_SourceFormat = WAVEFORMATEX{};
    ReleaseGraph();
    m_strOutputPath.clear();
    m_bRunning = FALSE;
    m_bPaused = FALSE;
    m_strAudioCodec.clear();
    m_strVideoCodec.clear();
    m_OutputType = OFT_WAV;
    m_OutputFormat = WAVEFORMATEX{};
}

BOOL CSoundExtractor::OpenSource(const std::string& path)
{
    if (path.empty())
        return FALSE;
    Reset();
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&m_pGraph));
    if (SUCCEEDED(hr))
        hr = m_pGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_pControl));
    if (SUCCEEDED(hr))
        hr = m_pGraph->RenderFile(Utf8ToUtf16(path).c_str(), nullptr);
    if (SUCCEEDED(hr))
        hr = BuildFilterList();
    if (FAILED(hr)) {
        m_Filters.clear();
        ReleaseGraph();
        return FALSE;
    }
    return TRUE;
}

HRESULT CSoundExtractor::BuildFilterList()
{
    m_Filters.clear();
    if (!m_pGraph)
        return E_FAIL;
    ComPtr<IEnumFilters> filters;
    if (FAILED(m_pGraph->EnumFilters(&filters)))
        return S_OK;
    IBaseFilter* filter = nullptr;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
        GraphFilterRecord r;
        if (ReadFilterName(filter, &r.name)) {
            r.index = static_cast<int>(m_Filters.size());
            r.hasInput = HasPin(filter, PINDIR_INPUT) ? 1 : 0;
            r.hasOutput = HasPin(filter, PINDIR_OUTPUT) ? 1 : 0;
            r.inputFlags = r.hasInput ? GetPinsMediaFlags(filter, PINDIR_INPUT) : 0;
            r.outputFlags = r.hasOutput ? GetPinsMediaFlags(filter, PINDIR_OUTPUT) : 0;
            // A decoder whose outputs enumerate no types still counts as a
            // transform of its input's kind (and the other way round).
            if (r.hasInput && r.hasOutput) {
                if (!r.inputFlags)
                    r.inputFlags = r.outputFlags;
                if (!r.outputFlags)
                    r.outputFlags = r.inputFlags;
            }
            m_Filters.push_back(r);
        }
        filter->Release();
    }
    return S_OK;
}

IBaseFilter* CSoundExtractor::FindGraphFilter(const std::string& name)
{
    if (!m_pGraph)
        return nullptr;
    ComPtr<IEnumFilters> filters;
    if (FAILED(m_pGraph->EnumFilters(&filters)))
        return nullptr;
    IBaseFilter* filter = nullptr;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
        std::string candidate;
        if (ReadFilterName(filter, &candidate) && EqualsNoCase(candidate, name))
            return filter;
        filter->Release();
    }
    return nullptr;
}

const GraphFilterRecord* CSoundExtractor::FindRole(int role, IBaseFilter** ppFilter)
{
    for (const GraphFilterRecord& r : m_Filters) {
        if (!MatchesRole(r, role))
            continue;
        if (IBaseFilter* filter = FindGraphFilter(r.name)) {
            *ppFilter = filter;
            return &r;
        }
    }
    return nullptr;
}

BOOL CSoundExtractor::GetVideoInfo(std::string* pName)
{
    const GraphFilterRecord* decoder = FirstRecord(m_Filters, ROLE_VIDEO_DECODER);
    if (decoder)
        m_strVideoCodec = decoder->name;
    if (pName)
        *pName = m_strVideoCodec;
    return decoder != nullptr;
}

BOOL CSoundExtractor::GetAudioInfo(std::string* pCodec, int* pChannels, int* pRate, int* pBits)
{
    const GraphFilterRecord* splitterRecord = FirstRecord(m_Filters, ROLE_SPLITTER);
    if (!splitterRecord)
        return FALSE;
    IBaseFilter* splitter = FindGraphFilter(splitterRecord->name);
    if (!splitter)
        return FALSE;
    IPin* pin = FindMediaPin(splitter, PINDIR_OUTPUT, true);
    splitter->Release();
    if (!pin)
        return FALSE;
    // A stored type without a wave format gives zeros.
    WAVEFORMATEX format{};
    const BOOL read = ReadPinWaveFormat(pin, &format);
    pin->Release();
    if (!read)
        return FALSE;
    if (pChannels)
        *pChannels = format.nChannels;
    if (pRate)
        *pRate = static_cast<int>(format.nSamplesPerSec);
    if (pBits)
        *pBits = format.wBitsPerSample;
    if (const GraphFilterRecord* decoder = FirstRecord(m_Filters, ROLE_AUDIO_DECODER))
        m_strAudioCodec = decoder->name;
    if (m_strAudioCodec.empty())
        m_strAudioCodec = "PCM Audio"; // the splitter delivers PCM itself
    if (pCodec)
        *pCodec = m_strAudioCodec;
    return TRUE;
}

BOOL CSoundExtractor::PrepareExtraction(const std::string& outputPath, int outputType)
{
    m_OutputType = outputType;
    if (FAILED(AddDumpFilter(outputPath)))
        return FALSE;
    m_strOutputPath = outputPath;
    if (FAILED(DisconnectVideo()) || FAILED(ConnectDump())) {
        // The dump filter made the raw file already; nothing will fill it.
        std::error_code ec;
        std::filesystem::remove(RawPathFor(outputPath, outputType), ec);
        return FALSE;
    }
    return TRUE;
}

HRESULT CSoundExtractor::AddDumpFilter(const std::string& outputPath)
{
    if (!m_pGraph)
        return E_FAIL;
    const std::string raw = RawPathFor(outputPath, m_OutputType);
    HRESULT hr = CoCreateInstance(CLSID_SoundDump, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                  reinterpret_cast<void**>(&m_pDumpFilter));
    if (FAILED(hr))
        return hr;
    ComPtr<IFileSinkFilter> sink;
    hr = m_pDumpFilter->QueryInterface(IID_IFileSinkFilter, sink.Out());
    if (SUCCEEDED(hr)) {
        hr = sink->SetFileName(Utf8ToUtf16(raw).c_str(), nullptr);
        // The filter answers a path it cannot take (over its 260-character
        // limit) with the positive code 206 and stores nothing: a failure.
        if (hr != S_OK && SUCCEEDED(hr))
            hr = HRESULT_FROM_WIN32(static_cast<DWORD>(hr));
    }
    if (SUCCEEDED(hr))
        hr = m_pGraph->AddFilter(m_pDumpFilter, u"DataDump");
    if (FAILED(hr)) {
        m_pDumpFilter->Release();
        m_pDumpFilter = nullptr;
    }
    return hr;
}

HRESULT CSoundExtractor::DisconnectVideo()
{
    IBaseFilter* splitter = nullptr;
    IBaseFilter* renderer = nullptr;
    FindRole(ROLE_SPLITTER, &splitter);
    if (splitter)
        DisconnectPins(splitter, PINDIR_OUTPUT, true, false);
    FindRole(ROLE_VIDEO_RENDERER, &renderer);
    HRESULT hr = S_OK;
    if (renderer) {
        const HRESULT cut = DisconnectPins(renderer, PINDIR_INPUT, true, false);
        if (splitter)
            hr = cut;
        renderer->Release();
    }
    if (splitter)
        splitter->Release();
    return hr;
}

HRESULT CSoundExtractor::ConnectDump()
{
    IBaseFilter* renderer = nullptr;
    if (!FindRole(ROLE_AUDIO_RENDERER, &renderer))
        return S_OK;
    const HRESULT hr = ReplaceAudioRenderer(renderer);
    renderer->Release();
    return hr;
}

HRESULT CSoundExtractor::ReplaceAudioRenderer(IBaseFilter* pRenderer)
{
    if (!m_pDumpFilter)
        return E_FAIL;
    ComPtr<IPin> dumpIn;
    {
        ComPtr<IEnumPins> pins;
        if (FAILED(m_pDumpFilter->EnumPins(&pins)) || pins->Next(1, &dumpIn, nullptr) != S_OK)
            return E_FAIL;
    }
    ComPtr<IPin> rendererIn, upstream;
    const HRESULT walk = ForEachPin(pRenderer, PINDIR_INPUT, [&](IPin* pin, HRESULT*) {
        if (!(GetPinMediaFlags(pin) & MF_AUDIO))
            return true;
        ComPtr<IPin> peer;
        if (FAILED(pin->ConnectedTo(&peer)))
            return true;
        rendererIn = pin;
        upstream = peer;
        return false;
    });
    if (!upstream)
        return walk;
    // What reaches the dump: the upstream pin's first type, which the dump
    // accepts as the first one proposed.
    ReadPinWaveFormat(upstream.Get(), &m_SourceFormat);
    rendererIn->Disconnect();
    upstream->Disconnect();
    return m_pGraph->Connect(upstream.Get(), dumpIn.Get());
}

BOOL CSoundExtractor::Extract(HWND, ExtractProgressFn pfnProgress, void* user, const WAVEFORMATEX* pFormat)
{
    if (!m_pControl || m_bRunning || !pFormat)
        return FALSE;
    if (pfnProgress) {
        m_pfnProgress = pfnProgress;
        m_ProgressUser = user;
    }
    m_OutputFormat = *pFormat;

    ComPtr<IMediaSeeking> seeking;
    LONGLONG duration = 0;
    if (m_pDumpFilter && SUCCEEDED(m_pDumpFilter->QueryInterface(IID_IMediaSeeking, seeking.Out())))
        seeking->GetDuration(&duration);
    const DWORD total = static_cast<DWORD>(duration / 10000);

    m_bRunning = TRUE;
    m_bPaused = FALSE;
    if (FAILED(m_pControl->Run())) {
        // Nothing ran; the graph stays held until the next OpenSource, but the
        // engine must not stay "running".
        m_bRunning = FALSE;
        return FALSE;
    }
    DWORD done = 0;
    LONGLONG position = 0;
    do {
        Notify(done, total);
        if (!m_bRunning)
            break;
        if (m_bPaused) {
            m_pControl->Pause();
            while (m_bPaused && m_bRunning) {
                Notify(done, total);
                Breathe();
            }
            m_pControl->Run();
        }
        if (seeking)
            seeking->GetCurrentPosition(&position);
        const DWORD now = static_cast<DWORD>(position / 10000);
        if (now == done)
            Breathe();
        done = now;
    } while (done < total);
    Notify(total, total);
    m_pControl->Stop(); // the dump filter closes the raw file

    BOOL produced = FALSE;
    if (!m_strOutputPath.empty())
        produced = ConvertRawToOutput(RawPathFor(m_strOutputPath, m_OutputType), m_strOutputPath) != 0;
    Reset();
    return produced;
}

void CSoundExtractor::TogglePause(BOOL callerPaused)
{
    if (m_pControl && m_bRunning)
        m_bPaused = callerPaused ? FALSE : TRUE;
}

void CSoundExtractor::Cancel()
{
    if (m_pControl && m_bRunning) {
        m_bRunning = FALSE;
        m_bPaused = FALSE;
    }
}

// The splitter: FFmpeg's demuxer behind output pins.  Its streaming thread
// runs from Pause to Stop; while the filter is paused it waits, and Pause
// returns only once the packet on its way has been delivered, so a paused
// graph writes nothing downstream.  Seeking (IMediaSeeking on every output
// pin) is answered here: duration of the file, positions in media time.
#include "graph_filters.h"

#include "dshow/amfilter.h"

#include "core/text.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
}

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

const IID IID_IStreamParams = {0x5A0E4B1C, 0x8E57, 0x4C3B, {0x9A, 0x21, 0x6D, 0x0F, 0x3B, 0x7C, 0x2E, 0x11}};

namespace {

constexpr AVRational kRefTime = {1, static_cast<int>(UNITS)};

class CStreamParams : public CUnknown, public IStreamParams {
public:
    explicit CStreamParams(const AVCodecParameters* src) : CUnknown("stream parameters", nullptr), m_par(avcodec_parameters_alloc())
    {
        if (m_par)
            avcodec_parameters_copy(m_par, src);
    }
    ~CStreamParams() override { avcodec_parameters_free(&m_par); }
    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IStreamParams)
            return GetInterface(static_cast<IStreamParams*>(this), ppv);
        return CUnknown::NonDelegatingQueryInterface(riid, ppv);
    }
    const AVCodecParameters* Parameters() override { return m_par; }

private:
    AVCodecParameters* m_par;
};

class CSplitter;

class CSplitterPin : public CBaseOutputPin, public IMediaSeeking {
public:
    CSplitterPin(CSplitter* filter, CCritSec* lock, HRESULT* phr, const std::u16string& name, int streamIndex, const CMediaType& mt);
    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IMediaSeeking)
            return GetInterface(static_cast<IMediaSeeking*>(this), ppv);
        return CBaseOutputPin::NonDelegatingQueryInterface(riid, ppv);
    }

    HRESULT CheckMediaType(const CMediaType* pmt) override
    {
        return pmt->majortype == m_type.majortype && pmt->subtype == m_type.subtype ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int i, CMediaType* pmt) override
    {
        if (i != 0)
            return VFW_S_NO_MORE_ITEMS;
        *pmt = m_type;
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override
    {
        // Whole packets travel in one sample; these sizes hold any sane one.
        ALLOCATOR_PROPERTIES want = *request, got{};
        const bool video = m_type.majortype == MEDIATYPE_Video;
        want.cBuffers = std::max<long>(want.cBuffers, video ? 4 : 8);
        want.cbBuffer = std::max<long>(want.cbBuffer, video ? 4 << 20 : 512 << 10);
        want.cbAlign = 1;
        want.cbPrefix = 0;
        return alloc->SetProperties(&want, &got);
    }

    // IMediaSeeking: answered by the splitter.
    HRESULT GetCapabilities(DWORD* p) override;
    HRESULT CheckCapabilities(DWORD* p) override;
    HRESULT IsFormatSupported(const GUID* f) override { return f && *f == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE; }
    HRESULT QueryPreferredFormat(GUID* f) override { return f ? (*f = TIME_FORMAT_MEDIA_TIME, S_OK) : E_POINTER; }
    HRESULT GetTimeFormat(GUID* f) override { return QueryPreferredFormat(f); }
    HRESULT IsUsingTimeFormat(const GUID* f) override { return IsFormatSupported(f); }
    HRESULT SetTimeFormat(const GUID* f) override { return IsFormatSupported(f) == S_OK ? S_OK : E_INVALIDARG; }
    HRESULT GetDuration(LONGLONG* p) override;
    HRESULT GetStopPosition(LONGLONG* p) override;
    HRESULT GetCurrentPosition(LONGLONG* p) override;
    HRESULT ConvertTimeFormat(LONGLONG* t, const GUID* tf, LONGLONG s, const GUID* sf) override
    {
        if (!t)
            return E_POINTER;
        if ((tf && *tf != TIME_FORMAT_MEDIA_TIME) || (sf && *sf != TIME_FORMAT_MEDIA_TIME))
            return E_INVALIDARG;
        *t = s;
        return S_OK;
    }
    HRESULT SetPositions(LONGLONG* pCurrent, DWORD curFlags, LONGLONG* pStop, DWORD stopFlags) override;
    HRESULT GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) override
    {
        HRESULT hr = pCurrent ? GetCurrentPosition(pCurrent) : S_OK;
        return SUCCEEDED(hr) && pStop ? GetStopPosition(pStop) : hr;
    }
    HRESULT GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) override;
    HRESULT SetRate(double r) override { return r == 1.0 ? S_OK : E_INVALIDARG; }
    HRESULT GetRate(double* r) override { return r ? (*r = 1.0, S_OK) : E_POINTER; }
    HRESULT GetPreroll(LONGLONG* p) override { return p ? (*p = 0, S_OK) : E_POINTER; }

    int StreamIndex() const { return m_stream; }
    // On the streaming thread: pushes one packet; the downstream answer.
    HRESULT DeliverPacket(const AVPacket* pkt, AVRational timeBase, int64_t startTs);
    bool m_bDone = false; // streaming thread only: this pin takes no more samples

private:
    CSplitter* Splitter() const;
    int m_stream;
    CMediaType m_type;
};

class CSplitter : public CBaseFilter {
public:
    CSplitter() : CBaseFilter("splitter", nullptr, &m_lock, GUID_NULL) {}
    ~CSplitter() override
    {
        StopThread();
        m_pins.clear();
        avformat_close_input(&m_ctx);
    }

    HRESULT Open(const std::string& path, std::u16string* name);
    int GetPinCount() override { return static_cast<int>(m_pins.size()); }
    CBasePin* GetPin(int n) override { return n >= 0 && n < GetPinCount() ? m_pins[static_cast<std::size_t>(n)].get() : nullptr; }

    HRESULT Stop() override
    {
        m_bStopThread = true;
        m_wake.notify_all();
        HRESULT hr = CBaseFilter::Stop(); // decommits our allocators: a waiting delivery returns
        StopThread();
        std::lock_guard<std::mutex> guard(m_seekMutex);
        m_rtCurrent = m_rtStart; // the next run plays from the start position again
        return hr;
    }
    HRESULT Pause() override
    {
        CAutoLock lock(m_pLock);
        const bool wasStopped = IsStopped();
        HRESULT hr = CBaseFilter::Pause();
        if (SUCCEEDED(hr)) {
            SetStreamState(State_Paused);
            if (wasStopped)
                StartThread();
            else
                std::lock_guard<std::mutex>{m_deliverMutex}; // the packet on its way lands before Pause returns

        }
        return hr;
    }
    HRESULT Run(REFERENCE_TIME tStart) override
    {
        CAutoLock lock(m_pLock);
        HRESULT hr = CBaseFilter::Run(tStart);
        if (SUCCEEDED(hr))
            SetStreamState(State_Running);
        return hr;
    }

    // Seeking state, shared by the pins; guarded by m_seekMutex.
    std::mutex m_seekMutex;
    REFERENCE_TIME m_rtDuration = 0, m_rtStart = 0, m_rtStop = 0, m_rtCurrent = 0;
    HRESULT Seek(REFERENCE_TIME start, REFERENCE_TIME stop, bool startChanged);

private:
    void SetStreamState(FILTER_STATE s)
    {
        std::lock_guard<std::mutex> guard(m_wakeMutex);
        m_streamState = s;
        m_wake.notify_all();
    }
    void StartThread()
    {
        StopThread();
        m_bStopThread = false;
        m_thread = std::thread([this] { Stream(); });
    }
    void StopThread()
    {
        m_bStopThread = true;
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }
    void Stream();

    CCritSec m_lock;
    AVFormatContext* m_ctx = nullptr;
    std::vector<std::unique_ptr<CSplitterPin>> m_pins;
    std::thread m_thread;
    std::atomic<bool> m_bStopThread{false};
    std::mutex m_deliverMutex; // held by the thread while it reads and delivers one packet
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    FILTER_STATE m_streamState = State_Stopped; // guarded by m_wakeMutex
};

CSplitterPin::CSplitterPin(CSplitter* filter, CCritSec* lock, HRESULT* phr, const std::u16string& name, int streamIndex, const CMediaType& mt)
    : CBaseOutputPin("splitter output pin", filter, lock, phr, name.c_str()), m_stream(streamIndex), m_type(mt) {}

CSplitter* CSplitterPin::Splitter() const
{
    return static_cast<CSplitter*>(m_pFilter);
}

HRESULT CSplitterPin::GetCapabilities(DWORD* p)
{
    if (!p)
        return E_POINTER;
    *p = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards
        | AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;
    return S_OK;
}

HRESULT CSplitterPin::CheckCapabilities(DWORD* p)
{
    if (!p)
        return E_POINTER;
    DWORD have = 0;
    GetCapabilities(&have);
    const DWORD asked = *p;
    *p &= have;
    return *p == asked ? S_OK : (*p ? S_FALSE : E_FAIL);
}

HRESULT CSplitterPin::GetDuration(LONGLONG* p)
{
    if (!p)
        return E_POINTER;
    std::lock_guard<std::mutex> guard(Splitter()->m_seekMutex);
    *p = Splitter()->m_rtDuration;
    return S_OK;
}

HRESULT CSplitterPin::GetStopPosition(LONGLONG* p)
{
    if (!p)
        return E_POINTER;
    std::lock_guard<std::mutex> guard(Splitter()->m_seekMutex);
    *p = Splitter()->m_rtStop;
    return S_OK;
}

HRESULT CSplitterPin::GetCurrentPosition(LONGLONG* p)
{
    if (!p)
        return E_POINTER;
    std::lock_guard<std::mutex> guard(Splitter()->m_seekMutex);
    *p = Splitter()->m_rtCurrent;
    return S_OK;
}

HRESULT CSplitterPin::GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest)
{
    if (pEarliest)
        *pEarliest = 0;
    return pLatest ? GetDuration(pLatest) : S_OK;
}

HRESULT CSplitterPin::SetPositions(LONGLONG* pCurrent, DWORD curFlags, LONGLONG* pStop, DWORD stopFlags)
{
    CSplitter* s = Splitter();
    REFERENCE_TIME start, stop;
    {
        std::lock_guard<std::mutex> guard(s->m_seekMutex);
        start = s->m_rtStart;
        stop = s->m_rtStop;
    }
    auto apply = [](REFERENCE_TIME& value, LONGLONG* p, DWORD flags) -> HRESULT {
        switch (flags & AM_SEEKING_PositioningBitsMask) {
        case AM_SEEKING_NoPositioning: return S_OK;
        case AM_SEEKING_AbsolutePositioning: if (!p) return E_POINTER; value = *p; return S_OK;
        case AM_SEEKING_RelativePositioning: if (!p) return E_POINTER; value += *p; return S_OK;
        default: return E_INVALIDARG;
        }
    };
    HRESULT hr = apply(start, pCurrent, curFlags);
    if (SUCCEEDED(hr))
        hr = apply(stop, pStop, stopFlags);
    if (FAILED(hr))
        return hr;
    if (start < 0 || stop < start)
        return E_INVALIDARG;
    return s->Seek(start, stop, (curFlags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_NoPositioning);
}

HRESULT CSplitterPin::DeliverPacket(const AVPacket* pkt, AVRational timeBase, int64_t startTs)
{
    ComPtr<IMediaSample> sample;
    HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    if (pkt->size > sample->GetSize())
        return S_OK; // larger than any sane packet: dropped, the decoder resynchronises
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    std::memcpy(data, pkt->data, static_cast<std::size_t>(pkt->size));
    sample->SetActualDataLength(pkt->size);
    const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    if (ts != AV_NOPTS_VALUE) {
        REFERENCE_TIME start = av_rescale_q(ts - startTs, timeBase, kRefTime);
        REFERENCE_TIME stop = start + (pkt->duration > 0 ? av_rescale_q(pkt->duration, timeBase, kRefTime) : 1);
        sample->SetTime(&start, &stop);
        std::lock_guard<std::mutex> guard(Splitter()->m_seekMutex);
        if (start > Splitter()->m_rtStop) {
            m_bDone = true; // past the stop position: this stream ends here
            return S_OK;
        }
        Splitter()->m_rtCurrent = std::max<REFERENCE_TIME>(start, 0);
    }
    sample->SetSyncPoint((pkt->flags & AV_PKT_FLAG_KEY) != 0);
    return Deliver(sample.Get());
}

// The media type of a stream as stored: wave format (with the codec's extra
// data) for audio, video info for video.
bool StreamMediaType(const AVStream* st, CMediaType* mt)
{
    const AVCodecParameters* par = st->codecpar;
    if (par->codec_id == AV_CODEC_ID_NONE)
        return false;
    if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
        unsigned tag = par->codec_tag;
        if (!tag || tag > 0xFFFF) {
            const AVCodecTag* const tables[] = {avformat_get_riff_audio_tags(), nullptr};
            tag = av_codec_get_tag(tables, par->codec_id);
        }
        const int extra = std::clamp(par->extradata_size, 0, 0xFFFF - static_cast<int>(sizeof(WAVEFORMATEX)));
        std::vector<BYTE> block(sizeof(WAVEFORMATEX) + static_cast<std::size_t>(extra));
        WAVEFORMATEX wfx{};
        wfx.wFormatTag = static_cast<WORD>(tag);
        wfx.nChannels = static_cast<WORD>(par->ch_layout.nb_channels);
        wfx.nSamplesPerSec = static_cast<DWORD>(par->sample_rate);
        wfx.nAvgBytesPerSec = static_cast<DWORD>(par->bit_rate / 8);
        wfx.nBlockAlign = static_cast<WORD>(par->block_align);
        wfx.wBitsPerSample = static_cast<WORD>(par->bits_per_coded_sample);
        wfx.cbSize = static_cast<WORD>(extra);
        std::memcpy(block.data(), &wfx, sizeof wfx);
        if (extra)
            std::memcpy(block.data() + sizeof wfx, par->extradata, static_cast<std::size_t>(extra));
        mt->majortype = MEDIATYPE_Audio;
        mt->subtype = MediaSubtypeFromFourCC(tag);
        mt->formattype = FORMAT_WaveFormatEx;
        mt->bFixedSizeSamples = tag == WAVE_FORMAT_PCM;
        mt->lSampleSize = tag == WAVE_FORMAT_PCM ? wfx.nBlockAlign : 0;
        return mt->SetFormat(block.data(), static_cast<ULONG>(block.size()));
    }
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        unsigned tag = par->codec_tag;
        if (!tag) {
            const AVCodecTag* const tables[] = {avformat_get_riff_video_tags(), nullptr};
            tag = av_codec_get_tag(tables, par->codec_id);
        }
        VIDEOINFOHEADER vih{};
        vih.rcSource = vih.rcTarget = RECT{0, 0, par->width, par->height};
        vih.dwBitRate = static_cast<DWORD>(par->bit_rate);
        if (st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0)
            vih.AvgTimePerFrame = av_rescale(UNITS, st->avg_frame_rate.den, st->avg_frame_rate.num);
        vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih.bmiHeader.biWidth = par->width;
        vih.bmiHeader.biHeight = par->height;
        vih.bmiHeader.biPlanes = 1;
        vih.bmiHeader.biBitCount = static_cast<WORD>(par->bits_per_coded_sample);
        vih.bmiHeader.biCompression = tag;
        mt->majortype = MEDIATYPE_Video;
        mt->subtype = MediaSubtypeFromFourCC(tag);
        mt->formattype = FORMAT_VideoInfo;
        mt->bFixedSizeSamples = FALSE;
        mt->bTemporalCompression = TRUE;
        mt->lSampleSize = 0;
        return mt->SetFormat(&vih, sizeof vih);
    }
    return false;
}

HRESULT CSplitter::Open(const std::string& path, std::u16string* name)
{
    int err = avformat_open_input(&m_ctx, path.c_str(), nullptr, nullptr);
    if (err < 0)
        return err == AVERROR(ENOENT) ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : VFW_E_UNSUPPORTED_STREAM;
    if (avformat_find_stream_info(m_ctx, nullptr) < 0)
        return VFW_E_INVALID_FILE_FORMAT;
    HRESULT hr = S_OK;
    int audio = 0, video = 0;
    for (unsigned i = 0; i < m_ctx->nb_streams; ++i) {
        CMediaType mt;
        CStreamParams* params = new (std::nothrow) CStreamParams(m_ctx->streams[i]->codecpar);
        if (!params)
            return E_OUTOFMEMORY;
        params->NonDelegatingAddRef();
        const bool ok = StreamMediaType(m_ctx->streams[i], &mt);
        mt.SetObject(params->GetInner());
        params->NonDelegatingRelease();
        if (!ok)
            continue;
        const bool isAudio = mt.majortype == MEDIATYPE_Audio;
        std::string pinName = isAudio ? "Audio" : "Video";
        if ((isAudio ? audio : video)++ > 0)
            pinName += " " + std::to_string(isAudio ? audio : video);
        m_pins.push_back(std::make_unique<CSplitterPin>(this, &m_lock, &hr, Utf8ToUtf16(pinName), static_cast<int>(i), mt));
    }
    if (m_pins.empty())
        return VFW_E_UNSUPPORTED_STREAM;
    if (m_ctx->duration != AV_NOPTS_VALUE && m_ctx->duration > 0)
        m_rtDuration = av_rescale_q(m_ctx->duration, AV_TIME_BASE_Q, kRefTime);
    m_rtStop = m_rtDuration;
    const char* format = m_ctx->iformat->long_name ? m_ctx->iformat->long_name : m_ctx->iformat->name;
    *name = Utf8ToUtf16(std::string(format) + " Splitter");
    return hr;
}

HRESULT CSplitter::Seek(REFERENCE_TIME start, REFERENCE_TIME stop, bool startChanged)
{
    CAutoLock lock(m_pLock); // against state changes
    const bool streaming = m_thread.joinable() && !IsStopped();
    if (startChanged && streaming) {
        // Flush what is on its way, then restart the thread at the new place.
        m_bStopThread = true;
        m_wake.notify_all();
        for (auto& pin : m_pins)
            if (pin->IsConnected())
                pin->DeliverBeginFlush();
        StopThread();
        for (auto& pin : m_pins)
            if (pin->IsConnected())
                pin->DeliverEndFlush();
    }
    {
        std::lock_guard<std::mutex> guard(m_seekMutex);
        m_rtStart = start;
        m_rtStop = stop;
        if (startChanged)
            m_rtCurrent = start;
    }
    if (startChanged && streaming)
        StartThread();
    return S_OK;
}

void CSplitter::Stream()
{
    REFERENCE_TIME start;
    {
        std::lock_guard<std::mutex> guard(m_seekMutex);
        start = m_rtStart;
    }
    const int64_t fileStart = m_ctx->start_time != AV_NOPTS_VALUE ? m_ctx->start_time : 0;
    if (start > 0) {
        const int64_t ts = av_rescale_q(start, kRefTime, AV_TIME_BASE_Q) + fileStart;
        avformat_seek_file(m_ctx, -1, INT64_MIN, ts, ts, 0);
    } else {
        avformat_seek_file(m_ctx, -1, INT64_MIN, fileStart, fileStart, 0); // a second run starts at the beginning again
    }
    std::vector<CSplitterPin*> byStream(m_ctx->nb_streams, nullptr);
    for (auto& pin : m_pins) {
        pin->m_bDone = !pin->IsConnected();
        if (pin->IsConnected()) {
            byStream[static_cast<std::size_t>(pin->StreamIndex())] = pin.get();
            pin->DeliverNewSegment(start, m_rtStop, 1.0);
        }
    }
    // Streams nobody takes are not even read.
    for (unsigned i = 0; i < m_ctx->nb_streams; ++i)
        m_ctx->streams[i]->discard = byStream[i] ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

    AVPacket* pkt = av_packet_alloc();
    bool failed = !pkt;
    while (!failed && !m_bStopThread) {
        {
            std::unique_lock<std::mutex> lock(m_wakeMutex);
            m_wake.wait(lock, [this] { return m_bStopThread || m_streamState != State_Paused; });
        }
        std::lock_guard<std::mutex> delivering(m_deliverMutex);
        {
            std::lock_guard<std::mutex> lock(m_wakeMutex);
            if (m_streamState == State_Paused)
                continue; // paused between the wait and here
        }
        if (m_bStopThread || av_read_frame(m_ctx, pkt) < 0)
            break;
        CSplitterPin* pin = pkt->stream_index >= 0 && static_cast<unsigned>(pkt->stream_index) < byStream.size()
            ? byStream[static_cast<std::size_t>(pkt->stream_index)] : nullptr;
        if (pin && !pin->m_bDone) {
            const AVStream* st = m_ctx->streams[pkt->stream_index];
            const int64_t startTs = av_rescale_q(fileStart, AV_TIME_BASE_Q, st->time_base);
            HRESULT hr = pin->DeliverPacket(pkt, st->time_base, startTs);
            if (hr != S_OK)
                pin->m_bDone = true; // S_FALSE: wants no more; an error: cannot take more
        }
        av_packet_unref(pkt);
        bool allDone = true;
        for (auto& p : m_pins)
            allDone = allDone && p->m_bDone;
        if (allDone)
            break;
    }
    av_packet_free(&pkt);
    if (!m_bStopThread)
        for (auto& p : m_pins)
            if (p->IsConnected())
                p->DeliverEndOfStream();
}

} // namespace

HRESULT CreateSplitter(const std::string& path, IBaseFilter** ppFilter, std::u16string* name)
{
    *ppFilter = nullptr;
    auto* splitter = new (std::nothrow) CSplitter;
    if (!splitter)
        return E_OUTOFMEMORY;
    splitter->NonDelegatingAddRef();
    HRESULT hr = splitter->Open(path, name);
    if (SUCCEEDED(hr))
        hr = splitter->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(ppFilter));
    splitter->NonDelegatingRelease();
    return hr;
}

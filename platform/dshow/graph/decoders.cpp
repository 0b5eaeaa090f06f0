// The decoders: one input pin taking a compressed type from the splitter,
// one output pin offering the decoded type.  Decoding runs on the
// splitter's streaming thread inside Receive.
//
// Locks: m_receiveLock serialises Receive, end of stream and flushes with
// the decoder state; Stop takes the filter lock first (deactivating the pins
// makes a waiting delivery return), then m_receiveLock.
#include "graph_filters.h"

#include "dshow/amfilter.h"
#include "dshow/pospass.h"

#include "core/text.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr AVRational kRefTime = {1, static_cast<int>(UNITS)};

const AVCodecParameters* ParametersOf(const AM_MEDIA_TYPE& mt)
{
    if (!mt.pUnk)
        return nullptr;
    ComPtr<IStreamParams> params;
    if (FAILED(mt.pUnk->QueryInterface(IID_IStreamParams, params.Out())))
        return nullptr;
    return params->Parameters(); // lives as long as the type's reference
}

class CDecoder;

class CDecoderInput : public CBaseInputPin {
public:
    CDecoderInput(CDecoder* filter, CCritSec* lock, HRESULT* phr);
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(IMediaSample* pSample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

private:
    CDecoder* Decoder() const;
};

class CDecoderOutput : public CBaseOutputPin {
public:
    CDecoderOutput(CDecoder* filter, CCritSec* lock, HRESULT* phr);
    ~CDecoderOutput() override { delete m_pPosition; }
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT GetMediaType(int i, CMediaType* pmt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override;

private:
    CDecoder* Decoder() const;
    CPosPassThru* m_pPosition = nullptr; // made on first request; positions come from upstream
};

class CDecoder : public CBaseFilter {
public:
    explicit CDecoder(AVMediaType kind)
        : CBaseFilter("decoder", nullptr, &m_lock, GUID_NULL), m_kind(kind), m_in(this, &m_lock, &m_hr), m_out(this, &m_lock, &m_hr) {}
    ~CDecoder() override { Close(); }

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override { return n == 0 ? static_cast<CBasePin*>(&m_in) : n == 1 ? &m_out : nullptr; }

    HRESULT Stop() override
    {
        CAutoLock lock(m_pLock);
        HRESULT hr = CBaseFilter::Stop();
        CAutoLock receive(&m_receiveLock);
        if (m_ctx)
            avcodec_flush_buffers(m_ctx);
        m_nextTime = AV_NOPTS_VALUE;
        return hr;
    }

    AVMediaType Kind() const { return m_kind; }
    bool Accepts(const AM_MEDIA_TYPE& mt) const
    {
        const AVCodecParameters* par = ParametersOf(mt);
        return par && par->codec_type == m_kind && avcodec_find_decoder(par->codec_id);
    }
    // Opens the codec for the connected input type: the output type follows from it.
    HRESULT Open(const AM_MEDIA_TYPE& mt);
    void Close()
    {
        avcodec_free_context(&m_ctx);
        swr_free(&m_swr);
        av_frame_free(&m_frame);
        av_packet_free(&m_pkt);
    }
    bool OutputType(CMediaType* mt) const;
    long OutputBufferSize() const;

    HRESULT Decode(IMediaSample* sample); // null: drain at end of stream
    CCritSec m_receiveLock;

private:
    HRESULT DeliverFrames();
    HRESULT DeliverAudio(const AVFrame* frame);
    HRESULT DeliverVideo(const AVFrame* frame);
    HRESULT DeliverBytes(const BYTE* data, long size, REFERENCE_TIME start, REFERENCE_TIME stop);

    CCritSec m_lock;
    HRESULT m_hr = S_OK;
    AVMediaType m_kind;
    CDecoderInput m_in;
    CDecoderOutput m_out;
    AVCodecContext* m_ctx = nullptr;
    SwrContext* m_swr = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_pkt = nullptr;
    int m_rate = 0, m_channels = 0;       // decoded audio as offered
    int m_width = 0, m_height = 0;        // decoded video as offered
    AVPixelFormat m_pixFmt = AV_PIX_FMT_NONE;
    int64_t m_nextTime = AV_NOPTS_VALUE;  // where the next output starts when frames carry no time
    std::vector<BYTE> m_convert;
};

CDecoderInput::CDecoderInput(CDecoder* filter, CCritSec* lock, HRESULT* phr)
    : CBaseInputPin("decoder input pin", filter, lock, phr, u"XForm In") {}

CDecoder* CDecoderInput::Decoder() const
{
    return static_cast<CDecoder*>(m_pFilter);
}

HRESULT CDecoderInput::CheckMediaType(const CMediaType* pmt)
{
    return Decoder()->Accepts(*pmt) ? S_OK : S_FALSE;
}

HRESULT CDecoderInput::CompleteConnect(IPin* pReceivePin)
{
    HRESULT hr = CBaseInputPin::CompleteConnect(pReceivePin);
    return SUCCEEDED(hr) ? Decoder()->Open(m_mt) : hr;
}

HRESULT CDecoderInput::BreakConnect()
{
    Decoder()->Close();
    return CBaseInputPin::BreakConnect();
}

HRESULT CDecoderInput::Receive(IMediaSample* pSample)
{
    CAutoLock lock(&Decoder()->m_receiveLock);
    HRESULT hr = CBaseInputPin::Receive(pSample);
    return hr == S_OK ? Decoder()->Decode(pSample) : hr;
}

HRESULT CDecoderInput::EndOfStream()
{
    CAutoLock lock(&Decoder()->m_receiveLock);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    Decoder()->Decode(nullptr);
    auto* out = static_cast<CBaseOutputPin*>(Decoder()->GetPin(1));
    return out->IsConnected() ? out->DeliverEndOfStream() : S_OK;
}

HRESULT CDecoderInput::BeginFlush()
{
    CBaseInputPin::BeginFlush();
    auto* out = static_cast<CBaseOutputPin*>(Decoder()->GetPin(1));
    return out->IsConnected() ? out->DeliverBeginFlush() : S_OK;
}

HRESULT CDecoderInput::EndFlush()
{
    {
        CAutoLock lock(&Decoder()->m_receiveLock);
        Decoder()->Decode(nullptr); // drops what the codec holds: the flush discards it downstream
    }
    auto* out = static_cast<CBaseOutputPin*>(Decoder()->GetPin(1));
    HRESULT hr = out->IsConnected() ? out->DeliverEndFlush() : S_OK;
    CBaseInputPin::EndFlush();
    return hr;
}

HRESULT CDecoderInput::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate)
{
    CBasePin::NewSegment(tStart, tStop, dRate);
    auto* out = static_cast<CBaseOutputPin*>(Decoder()->GetPin(1));
    return out->IsConnected() ? out->DeliverNewSegment(tStart, tStop, dRate) : S_OK;
}

CDecoderOutput::CDecoderOutput(CDecoder* filter, CCritSec* lock, HRESULT* phr)
    : CBaseOutputPin("decoder output pin", filter, lock, phr, u"XForm Out") {}

CDecoder* CDecoderOutput::Decoder() const
{
    return static_cast<CDecoder*>(m_pFilter);
}

HRESULT CDecoderOutput::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition) {
        CAutoLock lock(m_pLock);
        if (!m_pPosition) {
            HRESULT hr = S_OK;
            m_pPosition = new (std::nothrow) CPosPassThru("decoder position", GetOwner(), &hr, Decoder()->GetPin(0));
            if (!m_pPosition)
                return E_OUTOFMEMORY;
        }
        return m_pPosition->NonDelegatingQueryInterface(riid, ppv);
    }
    return CBaseOutputPin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CDecoderOutput::GetMediaType(int i, CMediaType* pmt)
{
    if (i != 0)
        return VFW_S_NO_MORE_ITEMS;
    return Decoder()->OutputType(pmt) ? S_OK : VFW_S_NO_MORE_ITEMS;
}

HRESULT CDecoderOutput::CheckMediaType(const CMediaType* pmt)
{
    CMediaType mine;
    if (!Decoder()->OutputType(&mine))
        return S_FALSE;
    return pmt->majortype == mine.majortype && pmt->subtype == mine.subtype && pmt->formattype == mine.formattype
            && pmt->cbFormat == mine.cbFormat && std::memcmp(pmt->pbFormat, mine.pbFormat, mine.cbFormat) == 0
        ? S_OK : S_FALSE;
}

HRESULT CDecoderOutput::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request)
{
    ALLOCATOR_PROPERTIES want = *request, got{};
    want.cBuffers = std::max<long>(want.cBuffers, 4);
    want.cbBuffer = std::max<long>(want.cbBuffer, Decoder()->OutputBufferSize());
    want.cbAlign = 1;
    want.cbPrefix = 0;
    return alloc->SetProperties(&want, &got);
}

HRESULT CDecoder::Open(const AM_MEDIA_TYPE& mt)
{
    Close();
    const AVCodecParameters* par = ParametersOf(mt);
    const AVCodec* codec = par ? avcodec_find_decoder(par->codec_id) : nullptr;
    if (!codec)
        return VFW_E_TYPE_NOT_ACCEPTED;
    m_ctx = avcodec_alloc_context3(codec);
    m_frame = av_frame_alloc();
    m_pkt = av_packet_alloc();
    if (!m_ctx || !m_frame || !m_pkt || avcodec_parameters_to_context(m_ctx, par) < 0) {
        Close();
        return E_OUTOFMEMORY;
    }
    m_ctx->pkt_timebase = kRefTime; // sample times go in and come out as they are
    if (avcodec_open2(m_ctx, codec, nullptr) < 0) {
        Close();
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (m_kind == AVMEDIA_TYPE_AUDIO) {
        m_rate = m_ctx->sample_rate;
        m_channels = m_ctx->ch_layout.nb_channels;
        if (m_rate <= 0 || m_channels <= 0 || m_channels > 8) {
            Close();
            return VFW_E_TYPE_NOT_ACCEPTED;
        }
    } else {
        m_width = m_ctx->width;
        m_height = m_ctx->height;
        m_pixFmt = m_ctx->pix_fmt != AV_PIX_FMT_NONE ? m_ctx->pix_fmt : AV_PIX_FMT_YUV420P;
        if (m_width <= 0 || m_height <= 0 || av_image_get_buffer_size(m_pixFmt, m_width, m_height, 1) <= 0) {
            Close();
            return VFW_E_TYPE_NOT_ACCEPTED;
        }
    }
    m_nextTime = AV_NOPTS_VALUE;
    return S_OK;
}

bool CDecoder::OutputType(CMediaType* mt) const
{
    if (!m_ctx)
        return false;
    if (m_kind == AVMEDIA_TYPE_AUDIO) {
        const WAVEFORMATEX wfx = MakePcmFormat(static_cast<DWORD>(m_rate), static_cast<WORD>(m_channels), 16);
        mt->majortype = MEDIATYPE_Audio;
        mt->subtype = MEDIASUBTYPE_PCM;
        mt->formattype = FORMAT_WaveFormatEx;
        mt->bFixedSizeSamples = TRUE;
        mt->lSampleSize = wfx.nBlockAlign;
        return mt->SetFormat(&wfx, sizeof wfx);
    }
    unsigned tag = avcodec_pix_fmt_to_codec_tag(m_pixFmt);
    VIDEOINFOHEADER vih{};
    vih.rcSource = vih.rcTarget = RECT{0, 0, m_width, m_height};
    vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih.bmiHeader.biWidth = m_width;
    vih.bmiHeader.biHeight = m_height;
    vih.bmiHeader.biPlanes = 1;
    vih.bmiHeader.biCompression = tag;
    vih.bmiHeader.biSizeImage = static_cast<DWORD>(OutputBufferSize());
    mt->majortype = MEDIATYPE_Video;
    mt->subtype = MediaSubtypeFromFourCC(tag);
    mt->formattype = FORMAT_VideoInfo;
    mt->bFixedSizeSamples = TRUE;
    mt->lSampleSize = vih.bmiHeader.biSizeImage;
    return mt->SetFormat(&vih, sizeof vih);
}

long CDecoder::OutputBufferSize() const
{
    if (m_kind == AVMEDIA_TYPE_AUDIO)
        return std::max(m_rate * m_channels * 2 / 4, 32768); // a quarter second
    return av_image_get_buffer_size(m_pixFmt, m_width, m_height, 1);
}

HRESULT CDecoder::Decode(IMediaSample* sample)
{
    if (!m_ctx)
        return sample ? VFW_E_NOT_CONNECTED : S_OK;
    if (!sample) {
        avcodec_send_packet(m_ctx, nullptr);
        HRESULT hr = DeliverFrames();
        avcodec_flush_buffers(m_ctx); // ready for a new run after the drain
        return hr;
    }
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const long length = sample->GetActualDataLength();
    if (av_new_packet(m_pkt, static_cast<int>(length)) < 0)
        return E_OUTOFMEMORY;
    std::memcpy(m_pkt->data, data, static_cast<std::size_t>(length));
    REFERENCE_TIME start = 0, stop = 0;
    if (SUCCEEDED(sample->GetTime(&start, &stop)))
        m_pkt->pts = start;
    if (sample->IsSyncPoint() == S_OK)
        m_pkt->flags |= AV_PKT_FLAG_KEY;
    const int err = avcodec_send_packet(m_ctx, m_pkt);
    av_packet_unref(m_pkt);
    if (err < 0 && err != AVERROR(EAGAIN))
        return S_OK; // a damaged packet is skipped; decoding goes on with the next
    return DeliverFrames();
}

HRESULT CDecoder::DeliverFrames()
{
    HRESULT hr = S_OK;
    while (avcodec_receive_frame(m_ctx, m_frame) == 0) {
        if (hr == S_OK && m_out.IsConnected())
            hr = m_kind == AVMEDIA_TYPE_AUDIO ? DeliverAudio(m_frame) : DeliverVideo(m_frame);
        av_frame_unref(m_frame);
    }
    return hr;
}

HRESULT CDecoder::DeliverAudio(const AVFrame* frame)
{
    if (frame->nb_samples <= 0)
        return S_OK;
    // Everything leaves as interleaved 16-bit at the offered rate and channels.
    const BYTE* data = frame->data[0];
    long bytes = frame->nb_samples * m_channels * 2;
    int outSamples = frame->nb_samples;
    const bool direct = frame->format == AV_SAMPLE_FMT_S16 && frame->sample_rate == m_rate
        && frame->ch_layout.nb_channels == m_channels;
    if (!direct) {
        if (!m_swr) {
            AVChannelLayout outLayout;
            if (frame->ch_layout.nb_channels == m_channels)
                av_channel_layout_copy(&outLayout, &frame->ch_layout);
            else
                av_channel_layout_default(&outLayout, m_channels);
            int err = swr_alloc_set_opts2(&m_swr, &outLayout, AV_SAMPLE_FMT_S16, m_rate, const_cast<AVChannelLayout*>(&frame->ch_layout),
                static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
            av_channel_layout_uninit(&outLayout);
            if (err < 0 || swr_init(m_swr) < 0) {
                swr_free(&m_swr);
                return S_OK; // a frame we cannot convert is skipped
            }
        }
        const int capacity = swr_get_out_samples(m_swr, frame->nb_samples);
        if (capacity <= 0)
            return S_OK;
        m_convert.resize(static_cast<std::size_t>(capacity) * static_cast<std::size_t>(m_channels) * 2);
        uint8_t* out[1] = {m_convert.data()};
        outSamples = swr_convert(m_swr, out, capacity, const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
        if (outSamples <= 0)
            return S_OK;
        data = m_convert.data();
        bytes = outSamples * m_channels * 2;
    }
    REFERENCE_TIME start = frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : m_nextTime;
    if (start == AV_NOPTS_VALUE)
        start = 0;
    const REFERENCE_TIME stop = start + av_rescale(outSamples, UNITS, m_rate);
    m_nextTime = stop;
    return DeliverBytes(data, bytes, start, stop);
}

HRESULT CDecoder::DeliverVideo(const AVFrame* frame)
{
    if (frame->width != m_width || frame->height != m_height || frame->format != m_pixFmt)
        return S_OK; // the connection type cannot change mid-stream here
    ComPtr<IMediaSample> sample;
    HRESULT hr = m_out.GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    BYTE* out = nullptr;
    sample->GetPointer(&out);
    const int size = av_image_copy_to_buffer(out, sample->GetSize(), frame->data, frame->linesize,
        m_pixFmt, m_width, m_height, 1);
    if (size < 0)
        return S_OK;
    sample->SetActualDataLength(size);
    if (frame->best_effort_timestamp != AV_NOPTS_VALUE) {
        REFERENCE_TIME start = frame->best_effort_timestamp;
        REFERENCE_TIME stop = start + std::max<int64_t>(frame->pkt_duration, 1);
        sample->SetTime(&start, &stop);
    }
    sample->SetSyncPoint(TRUE);
    return m_out.Deliver(sample.Get());
}

HRESULT CDecoder::DeliverBytes(const BYTE* data, long size, REFERENCE_TIME start, REFERENCE_TIME stop)
{
    // A frame larger than one buffer goes out in pieces, each with its share of the time.
    const long block = m_channels * 2;
    long done = 0;
    while (done < size) {
        ComPtr<IMediaSample> sample;
        HRESULT hr = m_out.GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (FAILED(hr))
            return hr;
        const long room = sample->GetSize() / block * block;
        const long n = std::min(room, size - done);
        if (n <= 0)
            return E_UNEXPECTED;
        BYTE* out = nullptr;
        sample->GetPointer(&out);
        std::memcpy(out, data + done, static_cast<std::size_t>(n));
        sample->SetActualDataLength(n);
        REFERENCE_TIME s = start + (stop - start) * done / size;
        REFERENCE_TIME e = start + (stop - start) * (done + n) / size;
        sample->SetTime(&s, &e);
        sample->SetSyncPoint(TRUE);
        hr = m_out.Deliver(sample.Get());
        if (hr != S_OK)
            return hr;
        done += n;
    }
    return S_OK;
}

} // namespace

HRESULT CreateDecoder(const AM_MEDIA_TYPE& input, IBaseFilter** ppFilter, std::u16string* name)
{
    *ppFilter = nullptr;
    const AVCodecParameters* par = ParametersOf(input);
    if (!par || (par->codec_type != AVMEDIA_TYPE_AUDIO && par->codec_type != AVMEDIA_TYPE_VIDEO)
        || !avcodec_find_decoder(par->codec_id))
        return VFW_E_TYPE_NOT_ACCEPTED;
    auto* decoder = new (std::nothrow) CDecoder(par->codec_type);
    if (!decoder)
        return E_OUTOFMEMORY;
    const AVCodecDescriptor* desc = avcodec_descriptor_get(par->codec_id);
    *name = Utf8ToUtf16(std::string(desc && desc->long_name ? desc->long_name : avcodec_get_name(par->codec_id)) + " Decoder");
    decoder->NonDelegatingAddRef();
    HRESULT hr = decoder->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(ppFilter));
    decoder->NonDelegatingRelease();
    return hr;
}

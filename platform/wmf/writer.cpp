// The writer: PCM in, WMA (FFmpeg's wmav2) in an ASF file out.

#include "core/text.h"
#include "wm_object.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <string>
#include <vector>

namespace wmf {
namespace {

class InputProps final : public WmObject<IWMInputMediaProps> {
public:
    explicit InputProps(MediaType type) : m_type(std::move(type)) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IWMMediaProps || riid == IID_IWMInputMediaProps)
            return HandOut(static_cast<IWMInputMediaProps*>(this), ppv);
        return E_NOINTERFACE;
    }
    HRESULT GetType(GUID* p) override { return p ? (*p = WMMEDIATYPE_Audio, S_OK) : E_POINTER; }
    HRESULT GetMediaType(WM_MEDIA_TYPE* pType, DWORD* pcb) override { return GetMediaTypeInto(m_type, pType, pcb); }
    HRESULT SetMediaType(WM_MEDIA_TYPE* pType) override { return SetMediaTypeFrom(m_type, pType); }
    HRESULT GetConnectionName(WCHAR* name, WORD* pcch) override
    {
        const std::u16string_view text = u"Audio";
        if (!pcch)
            return E_POINTER;
        const WORD needed = static_cast<WORD>(text.size() + 1);
        if (name && *pcch >= needed) {
            text.copy(name, text.size());
            name[text.size()] = u'\0';
        }
        *pcch = needed;
        return S_OK;
    }

    MediaType m_type;
};

class Sample final : public WmObject<INSSBuffer> {
public:
    explicit Sample(DWORD size) : m_data(size), m_length(size) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_INSSBuffer)
            return HandOut(static_cast<INSSBuffer*>(this), ppv);
        return E_NOINTERFACE;
    }
    HRESULT GetLength(DWORD* p) override { return p ? (*p = m_length, S_OK) : E_POINTER; }
    HRESULT SetLength(DWORD n) override
    {
        if (n > m_data.size())
            return E_INVALIDARG;
        m_length = n;
        return S_OK;
    }
    HRESULT GetMaxLength(DWORD* p) override { return p ? (*p = static_cast<DWORD>(m_data.size()), S_OK) : E_POINTER; }
    HRESULT GetBuffer(BYTE** pp) override { return pp ? (*pp = m_data.data(), S_OK) : E_POINTER; }
    HRESULT GetBufferAndLength(BYTE** pp, DWORD* pn) override
    {
        if (!pp || !pn)
            return E_POINTER;
        *pp = m_data.data();
        *pn = m_length;
        return S_OK;
    }

private:
    std::vector<BYTE> m_data;
    DWORD m_length;
};

// The one WMA stream of a profile, as the writer needs it.
struct StreamSettings {
    WORD channels = 0;
    DWORD rate = 0;
    DWORD bitrate = 0;
};

HRESULT ReadProfile(IWMProfile* profile, StreamSettings* out)
{
    DWORD count = 0;
    if (FAILED(profile->GetStreamCount(&count)) || count != 1)
        return NS_E_INVALID_STREAM;
    IWMStreamConfig* config = nullptr;
    HRESULT hr = profile->GetStream(0, &config);
    if (FAILED(hr))
        return hr;
    IWMMediaProps* props = nullptr;
    hr = config->QueryInterface(IID_IWMMediaProps, reinterpret_cast<void**>(&props));
    DWORD size = 0;
    std::vector<BYTE> buffer;
    if (SUCCEEDED(hr))
        hr = props->GetMediaType(nullptr, &size);
    if (SUCCEEDED(hr)) {
        buffer.resize(size);
        hr = props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(buffer.data()), &size);
    }
    DWORD bitrate = 0;
    config->GetBitrate(&bitrate);
    if (props)
        props->Release();
    config->Release();
    if (FAILED(hr))
        return hr;
    const auto* type = reinterpret_cast<const WM_MEDIA_TYPE*>(buffer.data());
    const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
    if (!(type->majortype == WMMEDIATYPE_Audio) || !(type->formattype == WMFORMAT_WaveFormatEx) || !wave
        || type->cbFormat < sizeof(WAVEFORMATEX) || wave->wFormatTag != WAVE_FORMAT_WMAUDIO2)
        return NS_E_INVALID_STREAM;
    out->channels = wave->nChannels;
    out->rate = wave->nSamplesPerSec;
    out->bitrate = bitrate ? bitrate : wave->nAvgBytesPerSec * 8;
    return S_OK;
}

class Writer final : public WmObject<IWMWriter> {
public:
    ~Writer() override { CloseOutput(); }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IWMWriter)
            return HandOut(static_cast<IWMWriter*>(this), ppv);
        return E_NOINTERFACE;
    }

    HRESULT SetProfile(IWMProfile* profile) override
    {
        if (!profile)
            return E_POINTER;
        if (m_writing)
            return NS_E_INVALID_REQUEST;
        StreamSettings s;
        HRESULT hr = ReadProfile(profile, &s);
        if (FAILED(hr))
            return hr;
        m_stream = s;
        // The input takes 16-bit PCM in the stream's own layout by default.
        WAVEFORMATEX pcm = MakePcmFormat(s.rate, s.channels, 16);
        m_input = MediaType::FromWave(pcm, nullptr);
        m_hasProfile = true;
        return S_OK;
    }
    HRESULT SetOutputFilename(const WCHAR* name) override
    {
        if (!name)
            return E_POINTER;
        if (m_writing)
            return NS_E_INVALID_REQUEST;
        m_path = Utf16ToUtf8(name);
        return S_OK;
    }
    HRESULT GetInputCount(DWORD* pc) override
    {
        if (!pc)
            return E_POINTER;
        if (!m_hasProfile)
            return NS_E_NO_PROFILE;
        *pc = 1;
        return S_OK;
    }
    HRESULT GetInputProps(DWORD input, IWMInputMediaProps** pp) override
    {
        if (!pp)
            return E_POINTER;
        *pp = nullptr;
        if (!m_hasProfile)
            return NS_E_NO_PROFILE;
        if (input != 0)
            return E_INVALIDARG;
        *pp = new InputProps(m_input);
        return S_OK;
    }
    HRESULT SetInputProps(DWORD input, IWMInputMediaProps* props) override
    {
        auto* p = dynamic_cast<InputProps*>(props);
        if (!p)
            return E_INVALIDARG;
        if (!m_hasProfile)
            return NS_E_NO_PROFILE;
        if (input != 0 || m_writing)
            return NS_E_INVALID_REQUEST;
        // No rate or layout conversion here: the input matches the stream.
        const WAVEFORMATEX* w = p->m_type.Wave();
        if (!(p->m_type.subtype == WMMEDIASUBTYPE_PCM) || !w || !IsConsistentPcm(*w) || w->nChannels != m_stream.channels
            || w->nSamplesPerSec != m_stream.rate || (w->wBitsPerSample != 8 && w->wBitsPerSample != 16))
            return NS_E_INVALID_INPUT_FORMAT;
        m_input = p->m_type;
        return S_OK;
    }

    HRESULT BeginWriting() override
    {
        if (!m_hasProfile)
            return NS_E_NO_PROFILE;
        if (m_writing || m_path.empty())
            return NS_E_INVALID_REQUEST;
        HRESULT hr = OpenOutput();
        if (FAILED(hr)) {
            CloseOutput();
            return hr;
        }
        m_writing = true;
        return S_OK;
    }

    HRESULT EndWriting() override
    {
        if (!m_writing)
            return NS_E_INVALID_REQUEST;
        m_writing = false;
        HRESULT hr = S_OK;
        if (m_pending > 0) {
            // The encoder takes whole blocks: the last one is padded with silence.
            PushSilence(static_cast<QWORD>(m_codec->frame_size - m_pending));
        }
        if (m_failed || !EncodeFrame(nullptr))
            hr = NS_E_FILE_WRITE;
        if (av_write_trailer(m_format) < 0)
            hr = NS_E_FILE_WRITE;
        if (avio_closep(&m_format->pb) < 0)
            hr = NS_E_FILE_WRITE;
        CloseOutput();
        return hr;
    }

    HRESULT AllocateSample(DWORD size, INSSBuffer** pp) override
    {
        if (!pp)
            return E_POINTER;
        *pp = new Sample(size);
        return S_OK;
    }

    HRESULT WriteSample(DWORD input, QWORD, DWORD, INSSBuffer* sample) override
    {
        if (!sample)
            return E_POINTER;
        if (!m_writing || input != 0)
            return NS_E_INVALID_REQUEST;
        if (m_failed)
            return NS_E_FILE_WRITE;
        BYTE* data = nullptr;
        DWORD length = 0;
        HRESULT hr = sample->GetBufferAndLength(&data, &length);
        if (FAILED(hr))
            return hr;
        PushPcm(data, length);
        return m_failed ? NS_E_FILE_WRITE : S_OK;
    }

    HRESULT Flush() override { return m_writing ? S_OK : NS_E_INVALID_REQUEST; }

private:
    HRESULT OpenOutput()
    {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
        if (!codec)
            return E_FAIL;
        if (avformat_alloc_output_context2(&m_format, nullptr, "asf", m_path.c_str()) < 0)
            return E_FAIL;
        m_codec = avcodec_alloc_context3(codec);
        if (!m_codec)
            return E_OUTOFMEMORY;
        m_codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
        m_codec->sample_rate = static_cast<int>(m_stream.rate);
        av_channel_layout_default(&m_codec->ch_layout, m_stream.channels);
        m_codec->bit_rate = m_stream.bitrate;
        m_codec->time_base = AVRational{1, m_codec->sample_rate};
        if (m_format->oformat->flags & AVFMT_GLOBALHEADER)
            m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(m_codec, codec, nullptr) < 0)
            return NS_E_INVALID_STREAM;
        AVStream* st = avformat_new_stream(m_format, nullptr);
        if (!st || avcodec_parameters_from_context(st->codecpar, m_codec) < 0)
            return E_FAIL;
        st->time_base = m_codec->time_base;
        if (avio_open(&m_format->pb, m_path.c_str(), AVIO_FLAG_WRITE) < 0)
            return NS_E_FILE_OPEN_FAILED;
        if (avformat_write_header(m_format, nullptr) < 0)
            return NS_E_FILE_WRITE;
        m_frame = av_frame_alloc();
        m_packet = av_packet_alloc();
        if (!m_frame || !m_packet)
            return E_OUTOFMEMORY;
        m_frame->format = m_codec->sample_fmt;
        m_frame->nb_samples = m_codec->frame_size;
        av_channel_layout_copy(&m_frame->ch_layout, &m_codec->ch_layout);
        m_frame->sample_rate = m_codec->sample_rate;
        if (av_frame_get_buffer(m_frame, 0) < 0)
            return E_OUTOFMEMORY;
        m_pending = 0;
        m_samplesIn = 0;
        m_failed = false;
        return S_OK;
    }

    void CloseOutput()
    {
        if (m_format && m_format->pb)
            avio_closep(&m_format->pb);
        avformat_free_context(m_format);
        m_format = nullptr;
        avcodec_free_context(&m_codec);
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
        m_writing = false;
    }

    // Appends interleaved 8/16-bit PCM to the block being filled.
    void PushPcm(const BYTE* data, DWORD length)
    {
        const WAVEFORMATEX* w = m_input.Wave();
        const int channels = w->nChannels;
        const bool eightBit = w->wBitsPerSample == 8;
        const DWORD frames = length / w->nBlockAlign;
        for (DWORD i = 0; i < frames && !m_failed; ++i) {
            for (int c = 0; c < channels; ++c) {
                float v;
                if (eightBit) {
                    v = (data[i * w->nBlockAlign + c] - 128) / 128.0f;
                } else {
                    const BYTE* p = data + i * w->nBlockAlign + c * 2;
                    v = static_cast<std::int16_t>(p[0] | (p[1] << 8)) / 32768.0f;
                }
                reinterpret_cast<float*>(m_frame->extended_data[c])[m_pending] = v;
            }
            AfterSample();
        }
    }

    void PushSilence(QWORD frames)
    {
        for (QWORD i = 0; i < frames && !m_failed; ++i) {
            for (int c = 0; c < m_codec->ch_layout.nb_channels; ++c)
                reinterpret_cast<float*>(m_frame->extended_data[c])[m_pending] = 0.0f;
            AfterSample();
        }
    }

    void AfterSample()
    {
        ++m_samplesIn;
        if (++m_pending == m_codec->frame_size) {
            m_frame->pts = static_cast<int64_t>(m_samplesIn) - m_pending;
            if (!EncodeFrame(m_frame))
                m_failed = true;
            m_pending = 0;
        }
    }

    // Sends a block (null: the end) and writes every packet it gives.
    bool EncodeFrame(AVFrame* frame)
    {
        if (frame && av_frame_make_writable(frame) < 0)
            return false;
        if (avcodec_send_frame(m_codec, frame) < 0)
            return false;
        for (;;) {
            int r = avcodec_receive_packet(m_codec, m_packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return true;
            if (r < 0)
                return false;
            av_packet_rescale_ts(m_packet, m_codec->time_base, m_format->streams[0]->time_base);
            m_packet->stream_index = 0;
            if (av_interleaved_write_frame(m_format, m_packet) < 0)
                return false;
        }
    }

    bool m_hasProfile = false;
    bool m_writing = false;
    bool m_failed = false; // a block could not be encoded or written
    StreamSettings m_stream;
    MediaType m_input;
    std::string m_path;
    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    int m_pending = 0;    // samples in the block being filled
    QWORD m_samplesIn = 0; // samples per channel taken in, silence included
};

} // namespace
} // namespace wmf

HRESULT WMCreateWriter(IUnknown*, IWMWriter** pp)
{
    if (!pp)
        return E_POINTER;
    *pp = new wmf::Writer;
    return S_OK;
}

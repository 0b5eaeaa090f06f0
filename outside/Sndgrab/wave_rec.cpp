// NWaveRec: capture from one source of the sound server.
//
// The server converts the source's own format to the asked one (rate,
// channels, sample format), so capture needs no converter here.  Fragments
// read from the record stream are gathered into chunks of 100 ms of whole
// frames and handed to the caller's callback on the session's loop thread,
// with the loop lock held.  Close takes that lock, so it waits for a running
// callback, and then stops the loop thread, so no callback can follow.
#include "pulse_session.h"
#include "sndgrab.h"

#include <algorithm>
#include <atomic>
#include <vector>

using namespace sndgrab;

struct NWaveRec::Capture {
    PulseSession session;
    pa_stream* stream = nullptr;
    PcmChunkCallback callback = nullptr;
    DWORD_PTR user = 0;
    DWORD rate = 0;
    size_t frameBytes = 0;
    std::vector<BYTE> chunk; // one chunk of whole frames
    size_t fill = 0;
    std::uint64_t framesDelivered = 0;
    std::uint64_t msDelivered = 0;
    // Set by Close before it takes the loop lock: a loop thread that is kept
    // busy by a slow callback then stops delivering and lets Close in.
    std::atomic<bool> closing{false};

    ~Capture();
    void Append(const BYTE* data, size_t bytes);
};

namespace {

constexpr DWORD kChunksPerSecond = 10;

void OnStreamState(pa_stream*, void* loop) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0); }

bool SampleFormatOf(WORD bits, pa_sample_format_t& format)
{
    switch (bits) {
    case 8: format = PA_SAMPLE_U8; return true; // WAV's 8-bit PCM is unsigned too
    case 16: format = PA_SAMPLE_S16LE; return true;
    case 24: format = PA_SAMPLE_S24LE; return true;
    case 32: format = PA_SAMPLE_S32LE; return true;
    default: return false;
    }
}

WAVEFORMATEX FormatOf(const pa_sample_spec& spec)
{
    constexpr WORD WAVE_FORMAT_IEEE_FLOAT = 3;
    WAVEFORMATEX fmt = MakePcmFormat(spec.rate, spec.channels, static_cast<WORD>(pa_sample_size(&spec) * 8));
    if (spec.format == PA_SAMPLE_FLOAT32LE || spec.format == PA_SAMPLE_FLOAT32BE)
        fmt.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    return fmt;
}

} // namespace

NWaveRec::Capture::~Capture()
{
    if (stream) {
        {
            LoopLock lock(session.Loop());
            pa_stream_set_read_callback(stream, nullptr, nullptr);
            pa_stream_set_state_callback(stream, nullptr, nullptr);
            pa_stream_disconnect(stream);
        }
        session.StopLoop();
        pa_stream_unref(stream);
    }
}

void NWaveRec::Capture::Append(const BYTE* data, size_t bytes)
{
    while (bytes > 0) {
        size_t n = std::min(bytes, chunk.size() - fill);
        std::copy(data, data + n, chunk.data() + fill);
        fill += n;
        data += n;
        bytes -= n;
        if (fill < chunk.size())
            return;
        fill = 0;
        if (closing)
            return;
        // Durations are taken from the running total, so their sum stays
        // exact also when a chunk is not a whole number of milliseconds.
        framesDelivered += chunk.size() / frameBytes;
        std::uint64_t ms = framesDelivered * 1000 / rate;
        DWORD duration = static_cast<DWORD>(ms - msDelivered);
        msDelivered = ms;
        callback(chunk.data(), static_cast<DWORD>(chunk.size()), duration, user);
    }
}

NWaveRec::NWaveRec() = default;

NWaveRec::~NWaveRec() { Close(); }

int NWaveRec::IsLoopback(int device)
{
    ServerSnapshot snap;
    if (!TakeSnapshot(snap))
        return 0;
    if (device == -1) {
        for (const SourceInfo& s : snap.sources)
            if (s.monitor && s.monitorOf == snap.defaultSink)
                return 1;
        return 0;
    }
    int pos = snap.Resolve(device);
    return pos >= 0 && snap.sources[pos].monitor ? 1 : 0;
}

tWAVEFORMATEX NWaveRec::GetDefaultFormat(int device)
{
    ServerSnapshot snap;
    if (!TakeSnapshot(snap))
        return WAVEFORMATEX{};
    int pos = snap.Resolve(device);
    return pos >= 0 ? FormatOf(snap.sources[pos].spec) : WAVEFORMATEX{};
}

int NWaveRec::Open(int rate, WORD bits, int channels, PcmChunkCallback callback, DWORD_PTR user, int device)
{
    pa_sample_spec spec{};
    if (m_capture || !callback || rate <= 0 || channels <= 0 || channels > static_cast<int>(PA_CHANNELS_MAX) || !SampleFormatOf(bits, spec.format))
        return 0;
    spec.rate = static_cast<uint32_t>(rate);
    spec.channels = static_cast<uint8_t>(channels);
    if (!pa_sample_spec_valid(&spec))
        return 0;

    auto capture = std::make_unique<Capture>();
    ServerSnapshot snap;
    if (!capture->session.Snapshot(snap))
        return 0;
    int pos = snap.Resolve(device);
    if (pos < 0)
        return 0;

    capture->callback = callback;
    capture->user = user;
    capture->rate = spec.rate;
    size_t frames = std::max<size_t>(1, spec.rate / kChunksPerSecond);
    capture->frameBytes = pa_frame_size(&spec);
    capture->chunk.resize(frames * capture->frameBytes);

    pa_channel_map map;
    pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_WAVEEX);
    LoopLock lock(capture->session.Loop());
    capture->stream = pa_stream_new(capture->session.Context(), "Recording", &spec, &map);
    if (!capture->stream)
        return 0;
    pa_stream_set_state_callback(capture->stream, OnStreamState, capture->session.Loop());
    pa_stream_set_read_callback(
        capture->stream,
        [](pa_stream* s, size_t, void* self) {
            const void* data = nullptr;
            size_t bytes = 0;
            auto* capture = static_cast<Capture*>(self);
            while (!capture->closing && pa_stream_peek(s, &data, &bytes) == 0 && bytes > 0) {
                // A hole (no data) has nothing to record; it is only dropped.
                if (data)
                    capture->Append(static_cast<const BYTE*>(data), bytes);
                pa_stream_drop(s);
            }
        },
        capture.get());
    // Fragments of one chunk keep the delay short without waking up often.
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = attr.prebuf = attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(capture->chunk.size());
    // DONT_MOVE: when the device goes away, capture ends instead of silently
    // recording another device.
    auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
    if (pa_stream_connect_record(capture->stream, snap.sources[pos].name.c_str(), &attr, flags) < 0)
        return 0;
    for (;;) {
        pa_stream_state_t st = pa_stream_get_state(capture->stream);
        if (st == PA_STREAM_READY)
            break;
        if (!PA_STREAM_IS_GOOD(st))
            return 0;
        pa_threaded_mainloop_wait(capture->session.Loop());
    }
    m_capture = std::move(capture);
    return 1;
}

int NWaveRec::Close()
{
    if (!m_capture)
        return 1;
    if (pa_threaded_mainloop_in_thread(m_capture->session.Loop()))
        return 0;
    m_capture->closing = true;
    m_capture.reset();
    return 1;
}

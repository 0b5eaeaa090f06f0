// What a recording costs: CPU time of the recording engine per second of
// recorded sound for each output type (44100 Hz stereo 16-bit output from a
// 48000 Hz stereo capture, so the conversion is included), and the heap
// allocations made per chunk on the capture thread.
//
// Each type is started on a private sound server as a user starts it; the
// server is then ended, which ends the capture thread, and the engine is fed
// chunks of 100 ms of sound by this thread exactly as the capture library
// feeds them, so the timing holds the engine's work and nothing else.
// Allocations are counted in the default build only (the sanitizer owns the
// allocator there).  Run by hand: build/benchmarks/recording_cost [SECONDS]

#include "capture/sound_recorder.h"
#include "pulse_server.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <random>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define QX_COUNT_ALLOCATIONS 0
#else
#define QX_COUNT_ALLOCATIONS 1
#endif

namespace {

thread_local bool t_counting = false;
std::atomic<long> g_newCalls{0};    // operator new: our own code
std::atomic<long> g_mallocCalls{0}; // the malloc family: mostly the codec libraries

[[maybe_unused]] void CountNew()
{
    if (t_counting)
        ++g_newCalls;
}

[[maybe_unused]] void CountMalloc()
{
    if (t_counting)
        ++g_mallocCalls;
}

} // namespace

#if QX_COUNT_ALLOCATIONS
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);

void* malloc(size_t n)
{
    CountMalloc();
    return __libc_malloc(n);
}
void* calloc(size_t count, size_t n)
{
    CountMalloc();
    return __libc_calloc(count, n);
}
void* realloc(void* p, size_t n)
{
    CountMalloc();
    return __libc_realloc(p, n);
}
void* memalign(size_t alignment, size_t n)
{
    CountMalloc();
    return __libc_memalign(alignment, n);
}
void* aligned_alloc(size_t alignment, size_t n)
{
    CountMalloc();
    return __libc_memalign(alignment, n);
}
int posix_memalign(void** p, size_t alignment, size_t n)
{
    CountMalloc();
    *p = __libc_memalign(alignment, n);
    return *p ? 0 : 12; // ENOMEM
}
}

void* operator new(size_t n)
{
    CountNew();
    if (void* p = __libc_malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n)
{
    return operator new(n);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    std::free(p);
}
#endif

namespace {

constexpr DWORD kCaptureRate = 48000;
constexpr WORD kCaptureChannels = 2;
constexpr DWORD kChunkMs = 100;
constexpr DWORD kWarmUpChunks = 10; // libraries set themselves up on the first blocks

// Something like music: a few moving tones and a little noise, in chunks of
// the capture format.
std::vector<BYTE> MakeSound(int seconds)
{
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 0.02);
    const std::size_t frames = static_cast<std::size_t>(kCaptureRate) * seconds;
    std::vector<BYTE> pcm(frames * kCaptureChannels * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kCaptureRate;
        const double v = 0.3 * std::sin(2 * M_PI * (220 + 20 * std::sin(t)) * t) + 0.2 * std::sin(2 * M_PI * 660 * t) +
                         0.1 * std::sin(2 * M_PI * 1500 * t) + noise(rng);
        for (WORD c = 0; c < kCaptureChannels; ++c) {
            const auto s = static_cast<std::int16_t>(std::lround(std::clamp(v * (c ? 0.8 : 1.0), -1.0, 1.0) * 32767));
            std::memcpy(&pcm[(i * kCaptureChannels + c) * 2], &s, 2);
        }
    }
    return pcm;
}

double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// The progress posts cost what a real window's queue costs: next to nothing.
class NullTarget : public IMessageTarget {
public:
    BOOL PostMessage(UINT, WPARAM, LPARAM) override { return TRUE; }
};

struct Figures {
    bool ok = false;
    double cpuPerSecond = 0; // CPU seconds per second of sound
    double newPerChunk = 0; // operator new calls per chunk after the warm-up
    double mallocPerChunk = 0;
    long newWarmUp = 0, mallocWarmUp = 0;
    long fileBytes = 0;
};

Figures Measure(OutputFileType type, const char* ext, const std::vector<BYTE>& sound, const testkit::TempDir& dir)
{
    Figures f;
    testkit::PulseOptions options;
    options.sinkRate = kCaptureRate;
    options.sinkChannels = kCaptureChannels;
    options.withInput = false;
    testkit::PulseServer server(options);
    if (!server.Start()) {
        std::fprintf(stderr, "no sound server: %s\n", server.Log().c_str());
        return f;
    }
    NullTarget target;
    CSoundRecorder rec;
    rec.SetOutputType(type);
    rec.SetFormat(16, 2, 44100);
    rec.SetPath(dir / (std::string("out.") + ext));
    if (!rec.Start(&target, -1)) {
        std::fprintf(stderr, "%s: the recording does not start\n", ext);
        return f;
    }
    server.Kill(); // ends the capture thread; from here this thread alone feeds the engine
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    const DWORD chunkBytes = kCaptureRate * kCaptureChannels * 2 * kChunkMs / 1000;
    const std::size_t chunks = sound.size() / chunkBytes;
    const DWORD_PTR user = reinterpret_cast<DWORD_PTR>(&rec);
    const double start = ThreadCpuSeconds();
    for (std::size_t i = 0; i < chunks; ++i) {
        t_counting = true;
        CSoundRecorder::OnChunk(sound.data() + i * chunkBytes, chunkBytes, kChunkMs, user);
        t_counting = false;
        if (i + 1 == kWarmUpChunks) {
            f.newWarmUp = g_newCalls.exchange(0);
            f.mallocWarmUp = g_mallocCalls.exchange(0);
        }
    }
    const double cpu = ThreadCpuSeconds() - start;
    rec.Stop();
    const std::size_t measured = chunks - kWarmUpChunks;
    f.cpuPerSecond = cpu / (chunks * kChunkMs / 1000.0);
    f.newPerChunk = static_cast<double>(g_newCalls.exchange(0)) / static_cast<double>(measured);
    f.mallocPerChunk = static_cast<double>(g_mallocCalls.exchange(0)) / static_cast<double>(measured);
    if (FILE* out = std::fopen(rec.GetPath().c_str(), "rb")) {
        std::fseek(out, 0, SEEK_END);
        f.fileBytes = std::ftell(out);
        std::fclose(out);
    }
    f.ok = rec.GetElapsedMs() == chunks * kChunkMs;
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    if (seconds < 2) {
        std::fprintf(stderr, "usage: recording_cost [SECONDS >= 2]\n");
        return 2;
    }
    const std::vector<BYTE> sound = MakeSound(seconds);
    testkit::TempDir dir;
    struct Type {
        OutputFileType type;
        const char* ext;
    };
    std::printf("recording engine, %d s of 48000 Hz stereo capture -> 44100 Hz stereo 16-bit, chunks of %u ms\n",
                seconds, static_cast<unsigned>(kChunkMs));
    std::printf("%-5s %14s %16s %18s %14s\n", "type", "CPU % of core", "new per chunk", "malloc per chunk",
                "file bytes");
    bool ok = true;
    for (const Type& t : {Type{OFT_WAV, "wav"}, Type{OFT_MP3, "mp3"}, Type{OFT_WMA, "wma"}, Type{OFT_OGG, "ogg"}}) {
        const Figures f = Measure(t.type, t.ext, sound, dir);
        ok = ok && f.ok;
        if (!f.ok) {
            std::printf("%-5s failed\n", t.ext);
            continue;
        }
        if (QX_COUNT_ALLOCATIONS)
            std::printf("%-5s %13.2f%% %16.2f %18.2f %14ld   (first %u chunks: %ld new, %ld malloc)\n", t.ext,
                        f.cpuPerSecond * 100, f.newPerChunk, f.mallocPerChunk, f.fileBytes,
                        static_cast<unsigned>(kWarmUpChunks), f.newWarmUp, f.mallocWarmUp);
        else
            std::printf("%-5s %13.2f%% %16s %18s %14ld\n", t.ext, f.cpuPerSecond * 100, "-", "-", f.fileBytes);
    }
    return ok ? 0 : 1;
}

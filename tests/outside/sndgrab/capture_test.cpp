// Capture from a private sound server: a tone played into the null output is
// recorded from its monitor in formats other than the output's own.
#include "pulse_server.h"
#include "sndgrab.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using testkit::PulseServer;

namespace {

// Everything the callback received, checked by the test thread afterwards.
struct Received {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<BYTE> pcm;
    std::vector<DWORD> chunkBytes;
    std::uint64_t totalMs = 0;
    bool foreignThreadOnly = true;
    std::thread::id testThread = std::this_thread::get_id();
    std::atomic<int> running{0};
    std::chrono::milliseconds delay{0};

    static void Callback(const BYTE* data, DWORD bytes, DWORD ms, DWORD_PTR user)
    {
        auto* self = reinterpret_cast<Received*>(user);
        self->running++;
        std::this_thread::sleep_for(self->delay);
        {
            std::lock_guard lock(self->mutex);
            self->pcm.insert(self->pcm.end(), data, data + bytes);
            self->chunkBytes.push_back(bytes);
            self->totalMs += ms;
            self->foreignThreadOnly &= std::this_thread::get_id() != self->testThread;
        }
        self->changed.notify_all();
        self->running--;
    }

    bool WaitForBytes(size_t bytes)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 10s, [&] { return pcm.size() >= bytes; });
    }

    size_t Chunks()
    {
        std::lock_guard lock(mutex);
        return chunkBytes.size();
    }

    DWORD_PTR User() { return reinterpret_cast<DWORD_PTR>(this); }
};

// Sample i of channel 0 as a fraction of full scale.
double SampleAt(const std::vector<BYTE>& pcm, size_t frame, int channels, int bits)
{
    const BYTE* p = pcm.data() + frame * channels * (bits / 8);
    switch (bits) {
    case 8: return (p[0] - 128) / 128.0;
    case 16: return static_cast<int16_t>(p[0] | p[1] << 8) / 32768.0;
    case 24: return static_cast<int32_t>(static_cast<uint32_t>(p[0] << 8 | p[1] << 16 | p[2] << 24)) / 2147483648.0;
    default: return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24) / 2147483648.0;
    }
}

struct Format {
    int rate;
    int channels;
    int bits;
};

class SndgrabCapture : public testing::TestWithParam<Format> {
protected:
    void SetUp() override { ASSERT_TRUE(m_server.Start()) << m_server.Log(); }

    PulseServer m_server; // 48000 Hz stereo output
};

TEST_P(SndgrabCapture, RecordsTheToneFromTheMonitorInTheAskedFormat)
{
    const Format f = GetParam();
    const size_t frameBytes = f.channels * f.bits / 8;
    testkit::TonePlayer tone(1000.0);
    ASSERT_TRUE(tone.Start());

    Received got;
    NWaveRec rec;
    ASSERT_EQ(rec.Open(f.rate, static_cast<WORD>(f.bits), f.channels, Received::Callback, got.User(), -1), 1);
    ASSERT_TRUE(got.WaitForBytes(frameBytes * f.rate * 12 / 10));
    ASSERT_EQ(rec.Close(), 1);

    std::lock_guard lock(got.mutex);
    EXPECT_TRUE(got.foreignThreadOnly);
    size_t frames = 0;
    for (DWORD bytes : got.chunkBytes) {
        EXPECT_EQ(bytes % frameBytes, 0u) << "whole frames";
        EXPECT_LE(bytes, frameBytes * f.rate) << "at most one second";
        frames += bytes / frameBytes;
    }
    EXPECT_EQ(got.totalMs, frames * 1000 / f.rate) << "durations add up to what was delivered";

    // The last half second: the tone at its strength and pitch.  The pitch is
    // the median period between rising zero crossings (interpolated), so a
    // gap in playback on a busy machine does not spoil it.
    const size_t n = f.rate / 2;
    double peak = 0;
    std::vector<double> crossings, periods;
    for (size_t i = frames - n; i < frames; ++i) {
        const double v = SampleAt(got.pcm, i, f.channels, f.bits);
        const double prev = SampleAt(got.pcm, i - 1, f.channels, f.bits);
        peak = std::max(peak, std::abs(v));
        if (prev < 0 && v >= 0)
            crossings.push_back(static_cast<double>(i - 1) + prev / (prev - v));
    }
    for (size_t i = 1; i < crossings.size(); ++i)
        periods.push_back(crossings[i] - crossings[i - 1]);
    ASSERT_GT(periods.size(), 100u);
    std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
    EXPECT_NEAR(peak, 0.5, 0.05);
    EXPECT_NEAR(f.rate / periods[periods.size() / 2], 1000.0, 10.0);
}

INSTANTIATE_TEST_SUITE_P(Formats, SndgrabCapture,
                         testing::Values(Format{22050, 1, 16}, Format{11025, 2, 8}, Format{44100, 2, 24},
                                         Format{32000, 1, 32}),
                         [](const testing::TestParamInfo<Format>& p) {
                             return std::to_string(p.param.rate) + "Hz" + std::to_string(p.param.channels) + "ch" +
                                    std::to_string(p.param.bits) + "bit";
                         });

class SndgrabCaptureLife : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_server.Start()) << m_server.Log(); }

    PulseServer m_server;
};

TEST_F(SndgrabCaptureLife, CloseWaitsForARunningCallbackAndNoneFollows)
{
    Received got;
    got.delay = 300ms; // Close arrives while a callback runs
    NWaveRec rec;
    ASSERT_EQ(rec.Open(22050, 16, 1, Received::Callback, got.User(), -1), 1);
    EXPECT_EQ(rec.Open(22050, 16, 1, Received::Callback, got.User(), -1), 0) << "already open";
    while (got.running == 0)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(rec.Close(), 1);
    EXPECT_EQ(got.running, 0);
    const size_t chunks = got.Chunks();
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(got.Chunks(), chunks);
    EXPECT_EQ(rec.Close(), 1);

    // The same object records again, as the engine reuses it.
    Received again;
    ASSERT_EQ(rec.Open(8000, 16, 2, Received::Callback, again.User(), 1), 1) << "the input, by index";
    EXPECT_TRUE(again.WaitForBytes(4 * 800));
}

TEST_F(SndgrabCaptureLife, RefusesWhatCannotBeCaptured)
{
    struct Case {
        int rate, bits, channels, device;
        PcmChunkCallback callback;
    };
    NWaveRec rec;
    for (Case c : {Case{44100, 12, 2, -1, Received::Callback}, Case{0, 16, 2, -1, Received::Callback},
                   Case{44100, 16, 0, -1, Received::Callback}, Case{44100, 16, 2, 2, Received::Callback},
                   Case{44100, 16, 2, -2, Received::Callback}, Case{44100, 16, 2, -1, nullptr}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " " << c.bits << " " << c.channels << " " << c.device);
        EXPECT_EQ(rec.Open(c.rate, static_cast<WORD>(c.bits), c.channels, c.callback, 0, c.device), 0);
    }
}

TEST_F(SndgrabCaptureLife, SurvivesTheServerDyingWhileCapturing)
{
    Received got;
    NWaveRec rec;
    ASSERT_EQ(rec.Open(44100, 16, 2, Received::Callback, got.User(), -1), 1);
    ASSERT_TRUE(got.WaitForBytes(1));
    m_server.Kill();
    std::this_thread::sleep_for(200ms);
    const size_t chunks = got.Chunks();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(got.Chunks(), chunks) << "nothing arrives from a dead server";
    EXPECT_EQ(rec.Close(), 1);
    EXPECT_EQ(rec.Open(44100, 16, 2, Received::Callback, got.User(), -1), 0);
}

} // namespace

// The recording engine against a private sound server: a tone played into
// the null output is recorded from its monitor (48000 Hz stereo) into every
// output type at another format, and the files are checked by ffmpeg.
#include "capture/sound_recorder.h"
#include "media_check.h"
#include "pulse_server.h"
#include "recording_check.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <thread>

using namespace std::chrono_literals;
using recordingcheck::WaitUntil;

namespace {

// The notify target: counts the posts and notes anything unexpected.
class ProgressTarget : public IMessageTarget {
public:
    BOOL PostMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_REC_PROGRESS || wParam || lParam || std::this_thread::get_id() == m_uiThread)
            m_bad = true;
        ++m_posts;
        return TRUE;
    }
    int Posts() const { return m_posts; }
    bool Bad() const { return m_bad; }

private:
    std::thread::id m_uiThread = std::this_thread::get_id();
    std::atomic<int> m_posts{0};
    std::atomic<bool> m_bad{false};
};

struct TypeCase {
    OutputFileType type;
    const char* ext;
    const char* codec;
    WORD bits;
    WORD channels;
    DWORD rate;
};

const TypeCase kTypes[] = {
    {OFT_WAV, "wav", "pcm_u8", 8, 1, 22050},
    {OFT_MP3, "mp3", "mp3", 16, 1, 22050},
    {OFT_WMA, "wma", "wmav2", 16, 1, 22050},
    {OFT_OGG, "ogg", "vorbis", 16, 2, 32000},
};

void PrintTo(const TypeCase& t, std::ostream* os)
{
    *os << t.ext << " " << t.rate << " Hz " << t.channels << " ch " << t.bits << " bits";
}

std::string TypeName(const testing::TestParamInfo<TypeCase>& i)
{
    return i.param.ext;
}

class RecorderTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_server.Start()) << m_server.Log(); }

    void Prepare(CSoundRecorder& rec, const TypeCase& t, const std::string& name)
    {
        rec.SetOutputType(t.type);
        rec.SetFormat(t.bits, t.channels, t.rate);
        rec.SetPath(m_dir / name);
    }

    bool WaitForElapsed(const CSoundRecorder& rec, DWORD ms)
    {
        return WaitUntil([&] { return rec.GetElapsedMs() >= ms; });
    }

    testkit::PulseServer m_server; // 48000 Hz stereo output
    testkit::TempDir m_dir;
};

class RecordEveryType : public RecorderTest, public testing::WithParamInterface<TypeCase> {};

TEST_P(RecordEveryType, TheToneComesOutAtTheChosenFormat)
{
    const TypeCase t = GetParam();
    testkit::TonePlayer tone(1000.0);
    ASSERT_TRUE(tone.Start());
    ProgressTarget target;
    CSoundRecorder rec;
    Prepare(rec, t, std::string("tone.") + t.ext);
    ASSERT_EQ(rec.Start(&target, -1), 1);
    EXPECT_EQ(rec.IsRecording(), 1);
    ASSERT_TRUE(WaitForElapsed(rec, 1500));
    rec.Stop();
    EXPECT_EQ(rec.IsRecording(), 0);
    const DWORD elapsed = rec.GetElapsedMs();
    EXPECT_GE(target.Posts(), 10) << "a post for every chunk of about 100 ms";
    EXPECT_FALSE(target.Bad()) << "WM_REC_PROGRESS (0, 0), posted from the capture thread";

    const std::string path = rec.GetPath();
    const mediacheck::StreamInfo info = mediacheck::Probe(path);
    EXPECT_EQ(info.codec, t.codec);
    EXPECT_EQ(info.rate, static_cast<int>(t.rate));
    EXPECT_EQ(info.channels, t.channels);
    // MP3 adds the encoder's delay and whole frames.
    EXPECT_NEAR(info.duration, elapsed / 1000.0, t.type == OFT_MP3 ? 0.2 : 0.12);
    EXPECT_GT(recordingcheck::MedianToneShare(mediacheck::DecodeMono(path, static_cast<int>(t.rate)),
                                              static_cast<int>(t.rate), 1000),
              0.9);
    if (t.type == OFT_WAV) {
        const recordingcheck::WavHeader h = recordingcheck::ReadWavHeader(path);
        ASSERT_TRUE(h.valid);
        EXPECT_EQ(h.dataBytes, h.fileBytes - 44) << "the exact PCM byte count";
        EXPECT_EQ(h.riffSize, h.dataBytes + 36);
    }
}

INSTANTIATE_TEST_SUITE_P(Types, RecordEveryType, testing::ValuesIn(kTypes), TypeName);

TEST_F(RecorderTest, PauseDropsTheChunksAndTheClockStandsStill)
{
    testkit::TonePlayer tone(1000.0);
    ASSERT_TRUE(tone.Start());
    CSoundRecorder rec;
    EXPECT_EQ(rec.Pause(true), 0) << "no pause while idle";
    Prepare(rec, kTypes[0], "paused.wav");
    rec.SetFormat(16, 0, 0);
    ASSERT_EQ(rec.Start(nullptr, -1), 1);
    ASSERT_TRUE(WaitForElapsed(rec, 1000));
    const auto started = std::chrono::steady_clock::now();
    const DWORD atStart = rec.GetElapsedMs();

    EXPECT_EQ(rec.Pause(true), 1);
    EXPECT_EQ(rec.IsPaused(), 1);
    std::this_thread::sleep_for(300ms); // a chunk under way when paused may still count
    const DWORD atPause = rec.GetElapsedMs();
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(rec.GetElapsedMs(), atPause);
    EXPECT_EQ(rec.Pause(false), 0);
    ASSERT_TRUE(WaitForElapsed(rec, atPause + 1000));
    rec.Stop();
    const auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    EXPECT_EQ(rec.IsPaused(), 0);

    // The file is as long as the clock says, well short of the time that
    // passed: the paused stretch is not in it.
    const DWORD elapsed = rec.GetElapsedMs();
    const recordingcheck::WavHeader h = recordingcheck::ReadWavHeader(rec.GetPath());
    ASSERT_TRUE(h.valid);
    EXPECT_EQ(h.dataBytes, h.fileBytes - 44);
    EXPECT_NEAR(h.dataBytes * 1000.0 / h.byteRate, elapsed, 20);
    EXPECT_LT(elapsed - atStart, static_cast<DWORD>(wall.count()) - 1500);
    EXPECT_GT(recordingcheck::MedianToneShare(mediacheck::DecodeMono(rec.GetPath(), 22050), 22050, 1000), 0.9);
}

TEST_F(RecorderTest, StoppedAtOnceLeavesAnEmptyWavOfTheFormatAsLastSet)
{
    CSoundRecorder rec;
    rec.SetOutputType(OFT_WAV);
    rec.SetFormat(16, 2, 44100);
    rec.SetFormat(8, 1, 0); // a zero keeps the field
    rec.SetPath(m_dir / "empty.wav");
    ASSERT_EQ(rec.Start(nullptr, -1), 1);
    rec.Stop();
    rec.Stop(); // idle: nothing to do
    const recordingcheck::WavHeader h = recordingcheck::ReadWavHeader(rec.GetPath());
    ASSERT_TRUE(h.valid);
    EXPECT_EQ(h.fileBytes, 44u);
    EXPECT_EQ(h.dataBytes, 0u);
    EXPECT_EQ(h.riffSize, 36u);
    EXPECT_EQ(h.tag, 1);
    EXPECT_EQ(h.rate, 44100u);
    EXPECT_EQ(h.channels, 1);
    EXPECT_EQ(h.bits, 8);
    EXPECT_EQ(h.blockAlign, 1);
    EXPECT_EQ(h.byteRate, 44100u);
}

class RecordFaults : public RecorderTest, public testing::WithParamInterface<TypeCase> {};

TEST_P(RecordFaults, AFailedStartLeavesNothingOpen)
{
    const TypeCase t = GetParam();
    CSoundRecorder rec;
    Prepare(rec, t, std::string("no such folder/out.") + t.ext);
    EXPECT_EQ(rec.Start(nullptr, -1), 0);
    EXPECT_EQ(rec.IsRecording(), 0);
    EXPECT_FALSE(std::filesystem::exists(rec.GetPath()));
    rec.SetPath("");
    EXPECT_EQ(rec.Start(nullptr, -1), 0);
    Prepare(rec, t, std::string("out.") + t.ext);
    EXPECT_EQ(rec.Start(nullptr, 5), 0) << "no such device";
    EXPECT_EQ(rec.IsRecording(), 0);
    rec.Stop();

    // Capture, output and file were all let go: the same engine records.
    ASSERT_EQ(rec.Start(nullptr, -1), 1);
    EXPECT_EQ(rec.Start(nullptr, -1), 0) << "already recording";
    ASSERT_TRUE(WaitForElapsed(rec, 300));
    rec.Stop();
    EXPECT_GT(mediacheck::Probe(rec.GetPath()).duration, 0.2);
}

TEST_P(RecordFaults, TheServerDyingLeavesAPlayableFile)
{
    const TypeCase t = GetParam();
    testkit::TonePlayer tone(1000.0);
    ASSERT_TRUE(tone.Start());
    CSoundRecorder rec;
    Prepare(rec, t, std::string("cut.") + t.ext);
    ASSERT_EQ(rec.Start(nullptr, -1), 1);
    ASSERT_TRUE(WaitForElapsed(rec, 800));
    m_server.Kill();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(rec.IsRecording(), 1);
    rec.Stop();

    const DWORD elapsed = rec.GetElapsedMs();
    const mediacheck::StreamInfo info = mediacheck::Probe(rec.GetPath());
    EXPECT_EQ(info.codec, t.codec);
    EXPECT_NEAR(info.duration, elapsed / 1000.0, t.type == OFT_MP3 ? 0.2 : 0.12);
    EXPECT_GT(recordingcheck::MedianToneShare(mediacheck::DecodeMono(rec.GetPath(), static_cast<int>(t.rate)),
                                              static_cast<int>(t.rate), 1000),
              0.9);
}

// A file-size limit makes every write past it fail as a full disk does.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN); // fail the write rather than end the process
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { Lift(); }
    void Lift() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

TEST_P(RecordFaults, AFullDiskLeavesAPlayableFileOfWhatWasWritten)
{
    const TypeCase t = GetParam();
    constexpr rlim_t kRoom = 12000;
    testkit::TonePlayer tone(1000.0);
    ASSERT_TRUE(tone.Start());
    CSoundRecorder rec;
    Prepare(rec, t, std::string("full.") + t.ext);
    rec.SetFormat(16, 0, 0);
    FileSizeLimit full(kRoom);
    ASSERT_EQ(rec.Start(nullptr, -1), 1);
    ASSERT_TRUE(WaitForElapsed(rec, 3000)) << "recording goes on with the disk full";
    rec.Stop();
    full.Lift();

    const std::string path = rec.GetPath();
    const std::uint64_t size = testkit::ReadFile(path).size();
    EXPECT_LE(size, kRoom);
    EXPECT_GT(size, kRoom / 2);
    if (t.type == OFT_WAV) {
        const recordingcheck::WavHeader h = recordingcheck::ReadWavHeader(path);
        ASSERT_TRUE(h.valid);
        EXPECT_GT(h.dataBytes, 0u);
        EXPECT_LE(h.dataBytes, size - 44);
        EXPECT_EQ(h.dataBytes % h.blockAlign, 0u);
    }
    const mediacheck::RunResult decoded =
        mediacheck::Run({"ffmpeg", "-v", "error", "-i", path, "-f", "null", "-"});
    EXPECT_EQ(decoded.exitCode, 0) << decoded.err;
    EXPECT_GT(recordingcheck::MedianToneShare(mediacheck::DecodeMono(path, static_cast<int>(t.rate)),
                                              static_cast<int>(t.rate), 1000),
              0.9);
}

INSTANTIATE_TEST_SUITE_P(Types, RecordFaults, testing::ValuesIn(kTypes), TypeName);

} // namespace

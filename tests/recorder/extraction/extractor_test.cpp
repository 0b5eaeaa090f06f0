// The extraction engine on the real media graph and the real dump filter:
// videos made by ffmpeg, outputs compared with ffmpeg's own decode.
#include "extraction/sound_extractor.h"
#include "extraction_kit.h"
#include "media_check.h"
#include "testkit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace extractkit;

namespace {

class Registered : public ::testing::Environment {
public:
    void SetUp() override { RegisterDumpFilter(); }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new Registered);

const std::vector<std::string> kMp3 = {"-c:a", "libmp3lame", "-b:a", "128k"};
const std::vector<std::string> kPcm = {"-c:a", "pcm_s16le"};
const std::vector<std::string> kWma = {"-c:a", "wmav2", "-b:a", "128k"};

const VideoSpec kSources[] = {
    {"AviMp3", ".avi", "mpeg4", kMp3},
    {"AviPcm", ".avi", "mpeg4", kPcm},
    {"WmvWma2", ".wmv", "wmv2", kWma},
    {"Mono22050", ".avi", "mpeg4", kPcm, 22050, 1},
    {"Stereo48000", ".avi", "mpeg4", kMp3, 48000, 2},
    {"ShortSoundTrack", ".avi", "mpeg4", kPcm, 44100, 2, 3, 1.5},
    {"TwoAudioStreams", ".avi", "mpeg4", kMp3, 44100, 2, 3, 3, 2},
};

const char* const kExtensions[] = {"wav", "mp3", "wma", "ogg"};

// Calls a function on every progress report.
struct Progress {
    std::function<void(DWORD, DWORD)> fn;
    static void Call(DWORD done, DWORD total, void* user) { static_cast<Progress*>(user)->fn(done, total); }
};

// Opens, inspects and prepares like the form does; the output format is the
// source's, as the form presets it.
struct Prepared {
    CSoundExtractor engine;
    std::string codec;
    int channels = 0, rate = 0, bits = 0;
    WAVEFORMATEX format{};

    bool Prepare(const std::string& video, const std::string& output, int type)
    {
        if (!engine.OpenSource(video) || !engine.GetAudioInfo(&codec, &channels, &rate, &bits))
            return false;
        format = MakePcmFormat(static_cast<DWORD>(rate), static_cast<WORD>(channels), 16);
        return engine.OpenSource(video) && engine.PrepareExtraction(output, type);
    }
};

struct Case {
    VideoSpec source;
    int type;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.source.name << " to " << kExtensions[c.type]; }

class EveryOutput : public ::testing::TestWithParam<Case> {};

TEST_P(EveryOutput, DecodesToTheSourcesSound)
{
    const Case& c = GetParam();
    testkit::TempDir dir;
    const std::string video = dir / (std::string("clip") + c.source.extension);
    ASSERT_TRUE(MakeVideo(c.source, video));
    const std::string output = dir / (std::string("clip.") + kExtensions[c.type]);
    Prepared run;
    ASSERT_TRUE(run.Prepare(video, output, c.type));
    EXPECT_EQ(run.channels, c.source.channels);
    EXPECT_EQ(run.rate, c.source.rate);
    std::string videoCodec;
    EXPECT_TRUE(run.engine.GetVideoInfo(&videoCodec));
    EXPECT_NE(videoCodec.find("Decoder"), std::string::npos) << videoCodec;
    if (c.source.audioArgs == kPcm)
        EXPECT_EQ(run.codec, "PCM Audio");
    else
        EXPECT_NE(run.codec.find("Decoder"), std::string::npos) << run.codec;

    DWORD lastDone = 0, lastTotal = 0;
    Progress progress{[&](DWORD done, DWORD total) { lastDone = done; lastTotal = total; }};
    EXPECT_TRUE(run.engine.Extract(nullptr, Progress::Call, &progress, &run.format));
    EXPECT_EQ(lastDone, lastTotal);
    EXPECT_FALSE(std::filesystem::exists(dir / "clip.raw"));

    const mediacheck::StreamInfo info = mediacheck::Probe(output);
    EXPECT_EQ(info.rate, c.source.rate);
    EXPECT_EQ(info.channels, c.source.channels);
    // Compared at 8 kHz mono: the sweeps stay well below 4 kHz.
    const auto reference = Decode(video, 8000);
    const auto decoded = Decode(output, 8000);
    // One encoder frame (and MP3's fixed encoder delay, which the file does
    // not announce), in 8 kHz samples.
    const double frame[] = {2, 1152 + 1105, 2048, 256};
    EXPECT_NEAR(static_cast<double>(decoded.size()), static_cast<double>(reference.size()),
                frame[c.type] * 8000 / c.source.rate + 2);
    EXPECT_GT(BestCorrelation(reference, decoded, 800), 0.95);
}

std::vector<Case> AllCases()
{
    std::vector<Case> cases;
    for (const VideoSpec& s : kSources)
        for (int type = OFT_WAV; type <= OFT_OGG; ++type)
            cases.push_back({s, type});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Sources, EveryOutput, ::testing::ValuesIn(AllCases()),
    [](const ::testing::TestParamInfo<Case>& info) {
        return std::string(info.param.source.name) + "To" + kExtensions[info.param.type];
    });

// Little-endian 32-bit number at an offset of a file's bytes.
DWORD At32(const std::string& bytes, std::size_t offset)
{
    return static_cast<DWORD>(static_cast<BYTE>(bytes[offset]) | static_cast<BYTE>(bytes[offset + 1]) << 8
                              | static_cast<BYTE>(bytes[offset + 2]) << 16 | static_cast<DWORD>(static_cast<BYTE>(bytes[offset + 3])) << 24);
}

TEST(Extraction, PlainWavCopyKeepsTheDecodedBytesAndAConvertedWavHasTrueSizes)
{
    testkit::TempDir dir;
    const std::string video = dir / "clip.avi";
    ASSERT_TRUE(MakeVideo(kSources[1], video));
    const mediacheck::RunResult ref = mediacheck::Run({"ffmpeg", "-v", "error", "-i", video, "-f", "s16le", "-"});

    Prepared copy;
    ASSERT_TRUE(copy.Prepare(video, dir / "copy.wav", OFT_WAV));
    ASSERT_TRUE(copy.engine.Extract(nullptr, nullptr, nullptr, &copy.format));
    const std::string copied = testkit::ReadFile(dir / "copy.wav");
    ASSERT_GT(copied.size(), 44u);
    EXPECT_EQ(copied.substr(44), ref.out);
    EXPECT_EQ(At32(copied, 40), copied.size() - 44);
    EXPECT_EQ(At32(copied, 4), copied.size() - 8);

    Prepared converted;
    ASSERT_TRUE(converted.Prepare(video, dir / "small.wav", OFT_WAV));
    const WAVEFORMATEX small = MakePcmFormat(11025, 1, 8);
    ASSERT_TRUE(converted.engine.Extract(nullptr, nullptr, nullptr, &small));
    const std::string bytes = testkit::ReadFile(dir / "small.wav");
    EXPECT_EQ(At32(bytes, 40), bytes.size() - 44);
    EXPECT_EQ(At32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(At32(bytes, 28), 11025u); // bytes per second of 8-bit mono
    EXPECT_NEAR(static_cast<double>(bytes.size() - 44), 3 * 11025, 64);
}

// Largest difference between two s16 streams of the same length.
int MaxDifference(const std::string& a, const std::string& b)
{
    int worst = 0;
    for (std::size_t i = 0; i + 1 < std::min(a.size(), b.size()); i += 2) {
        const int x = static_cast<int16_t>(static_cast<uint8_t>(a[i]) | static_cast<uint8_t>(a[i + 1]) << 8);
        const int y = static_cast<int16_t>(static_cast<uint8_t>(b[i]) | static_cast<uint8_t>(b[i + 1]) << 8);
        worst = std::max(worst, std::abs(x - y));
    }
    return worst;
}

// Pausing in each stage: the count holds still while paused, and nothing is
// lost when the run goes on.
TEST(Extraction, PauseInCaptureAndInConversionHoldsProgressAndLosesNothing)
{
    testkit::TempDir dir;
    const std::string video = dir / "clip.avi";
    VideoSpec spec = kSources[0];
    spec.videoSeconds = spec.audioSeconds = 8;
    ASSERT_TRUE(MakeVideo(spec, video));
    const std::string output = dir / "clip.wav";
    Prepared run;
    ASSERT_TRUE(run.Prepare(video, output, OFT_WAV));

    int stage = 0;               // 0 capture, 1 conversion
    int pausedCalls = 0;
    bool pausedIn[2] = {false, false};
    DWORD heldAt = 0;
    bool held = true;
    Progress progress{[&](DWORD done, DWORD total) {
        if (stage == 0 && done == total && total > 0) {
            stage = 1;
            return;
        }
        if (run.engine.IsPaused()) {
            held = held && done == heldAt;
            if (++pausedCalls == 200) {
                run.engine.TogglePause(TRUE);
                pausedCalls = 0;
            }
            return;
        }
        if (!pausedIn[stage] && done > 0 && done < total) {
            pausedIn[stage] = true;
            heldAt = done;
            run.engine.TogglePause(FALSE);
        }
    }};
    ASSERT_TRUE(run.engine.Extract(nullptr, Progress::Call, &progress, &run.format));
    EXPECT_TRUE(pausedIn[0]);
    EXPECT_TRUE(pausedIn[1]);
    EXPECT_TRUE(held);
    // The plain copy: every decoded sample once, in order.
    const mediacheck::RunResult ref = mediacheck::Run({"ffmpeg", "-v", "error", "-i", video, "-f", "s16le", "-"});
    const std::string bytes = testkit::ReadFile(output);
    ASSERT_EQ(bytes.size(), ref.out.size() + 44);
    EXPECT_LE(MaxDifference(bytes.substr(44), ref.out), 1);
}

TEST(Extraction, CancelInCaptureStillConvertsWhatWasCaptured)
{
    testkit::TempDir dir;
    const std::string video = dir / "clip.avi";
    VideoSpec spec = kSources[0];
    spec.videoSeconds = spec.audioSeconds = 30;
    ASSERT_TRUE(MakeVideo(spec, video));
    const std::string output = dir / "clip.ogg";
    Prepared run;
    ASSERT_TRUE(run.Prepare(video, output, OFT_OGG));
    DWORD cancelledAt = 0;
    Progress progress{[&](DWORD done, DWORD total) {
        if (!cancelledAt && done >= 1000 && done < total) {
            cancelledAt = done;
            run.engine.Cancel();
        }
    }};
    EXPECT_TRUE(run.engine.Extract(nullptr, Progress::Call, &progress, &run.format));
    ASSERT_GT(cancelledAt, 0u);
    EXPECT_FALSE(std::filesystem::exists(dir / "clip.raw"));
    const mediacheck::StreamInfo info = mediacheck::Probe(output);
    EXPECT_EQ(info.codec, "vorbis");
    EXPECT_GE(info.duration, 0.9);
    EXPECT_LT(info.duration, 29.0);
}

TEST(Extraction, CancelInConversionEndsAfterTheCurrentBlock)
{
    testkit::TempDir dir;
    const std::string video = dir / "clip.avi";
    ASSERT_TRUE(MakeVideo(kSources[1], video));
    const std::string output = dir / "clip.wav";
    Prepared run;
    ASSERT_TRUE(run.Prepare(video, output, OFT_WAV));
    bool converting = false;
    Progress progress{[&](DWORD done, DWORD total) {
        if (!converting && done == total)
            converting = true;
        else if (converting && done > 0)
            run.engine.Cancel();
    }};
    const WAVEFORMATEX mono = MakePcmFormat(44100, 1, 16);
    EXPECT_TRUE(run.engine.Extract(nullptr, Progress::Call, &progress, &mono));
    const std::string bytes = testkit::ReadFile(output);
    EXPECT_EQ(bytes.size(), 44u + 44100 * 2); // one second of source, converted
    EXPECT_EQ(At32(bytes, 40), bytes.size() - 44);
    EXPECT_FALSE(std::filesystem::exists(dir / "clip.raw"));
}

TEST(Extraction, RawPathKeepsFolderAndNameAndReplacesOnlyTheLastExtension)
{
    struct { const char* output; int type; const char* raw; } cases[] = {
        {"/Music/Song.MP3", OFT_MP3, "/Music/Song.raw"},
        {"/Music/a.wav/b.wav.d/Take.wav", OFT_WAV, "/Music/a.wav/b.wav.d/Take.raw"},
        {"/Music/take", OFT_OGG, "/Music/take.raw"},
        {"/Music/take.wav", OFT_WMA, "/Music/take.wav.raw"},
        {"/Music.ogg/.ogg", OFT_OGG, "/Music.ogg/.raw"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CSoundExtractor::RawPathFor(c.output, c.type), c.raw) << c.output;

    // End to end, in a folder whose name holds the extension.
    testkit::TempDir dir;
    const std::string folder = dir / "Takes.WAV";
    std::filesystem::create_directory(folder);
    const std::string video = dir / "clip.avi";
    ASSERT_TRUE(MakeVideo(kSources[1], video));
    Prepared run;
    ASSERT_TRUE(run.Prepare(video, folder + "/Clip.WAV", OFT_WAV));
    EXPECT_TRUE(std::filesystem::exists(folder + "/Clip.raw"));
    EXPECT_TRUE(run.engine.Extract(nullptr, nullptr, nullptr, &run.format));
    EXPECT_EQ(mediacheck::Probe(folder + "/Clip.WAV").codec, "pcm_s16le");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

TEST(Extraction, ARawPathTheDumpFilterCannotTakeFailsThePreparation)
{
    testkit::TempDir dir;
    const std::string video = dir / "clip.avi";
    ASSERT_TRUE(MakeVideo(kSources[1], video));
    const std::string folder = dir / std::string(200, 'f');
    std::filesystem::create_directory(folder);
    const std::string output = folder + "/" + std::string(60, 'o') + ".mp3";
    ASSERT_GT(CSoundExtractor::RawPathFor(output, OFT_MP3).size(), 260u);
    CSoundExtractor engine;
    ASSERT_TRUE(engine.OpenSource(video));
    EXPECT_FALSE(engine.PrepareExtraction(output, OFT_MP3));
    const WAVEFORMATEX format = MakePcmFormat(44100, 2, 16);
    EXPECT_FALSE(engine.Extract(nullptr, nullptr, nullptr, &format)); // still opened, but nothing to capture into
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST(Extraction, InspectionOfFilesTheFormRefuses)
{
    testkit::TempDir dir;
    struct Expect {
        VideoSpec spec;
        bool opens, video, audio;
        int channels;
    } cases[] = {
        {{"NoVideo", ".avi", nullptr, kPcm}, true, false, false, 0},
        {{"SixChannels", ".avi", "mpeg4", kPcm, 44100, 6}, true, true, true, 6},
    };
    for (const Expect& e : cases) {
        SCOPED_TRACE(e.spec.name);
        const std::string video = dir / (std::string(e.spec.name) + e.spec.extension);
        ASSERT_TRUE(MakeVideo(e.spec, video));
        CSoundExtractor engine;
        ASSERT_EQ(engine.OpenSource(video), e.opens ? TRUE : FALSE);
        std::string name;
        int channels = 0, rate = 0, bits = 0;
        EXPECT_EQ(engine.GetVideoInfo(&name), e.video ? TRUE : FALSE);
        EXPECT_EQ(engine.GetAudioInfo(&name, &channels, &rate, &bits), e.audio ? TRUE : FALSE);
        EXPECT_EQ(channels, e.channels);
    }
    testkit::WriteFile(dir / "notes.avi", "not a video at all\n");
    CSoundExtractor engine;
    EXPECT_FALSE(engine.OpenSource(dir / "notes.avi"));
    EXPECT_FALSE(engine.OpenSource(dir / "missing.avi"));
    EXPECT_FALSE(engine.OpenSource(""));
}

TEST(Extraction, DamagedVideoEndsWithoutHarm)
{
    testkit::TempDir dir;
    const std::string video = dir / "clip.avi";
    VideoSpec spec = kSources[0];
    spec.videoSeconds = spec.audioSeconds = 4;
    ASSERT_TRUE(MakeVideo(spec, video));
    std::string bytes = testkit::ReadFile(video);
    for (std::size_t i = bytes.size() / 3; i < bytes.size() / 2; i += 7)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    bytes.resize(bytes.size() * 3 / 4);
    testkit::WriteFile(video, bytes);
    Prepared run;
    if (!run.Prepare(video, dir / "clip.wav", OFT_WAV))
        return; // refusing is as good as extracting
    run.engine.Extract(nullptr, nullptr, nullptr, &run.format);
    EXPECT_FALSE(run.engine.IsRunning());
}

// The conversion routes on raw files made here.
TEST(RawConversion, EmptyRawGivesHeaderOnlyFiles)
{
    testkit::TempDir dir;
    const std::string raw = dir / "empty.raw";
    testkit::WriteFile(raw, "");
    const WAVEFORMATEX source = MakePcmFormat(44100, 2, 16);
    CSoundExtractor engine;
    EXPECT_EQ(engine.WriteWavFromRaw(raw, dir / "same.wav", source, source), 1);
    EXPECT_EQ(engine.WriteWavFromRaw(raw, dir / "other.wav", source, MakePcmFormat(22050, 1, 8)), 1);
    for (const char* name : {"same.wav", "other.wav"}) {
        const std::string bytes = testkit::ReadFile(dir / name);
        ASSERT_EQ(bytes.size(), 44u) << name;
        EXPECT_EQ(At32(bytes, 4), 36u);
        EXPECT_EQ(At32(bytes, 40), 0u);
    }
    EXPECT_EQ(engine.EncodeRawToMp3(raw, dir / "empty.mp3", source, source), 1);
    EXPECT_LT(std::filesystem::file_size(dir / "empty.mp3"), 2000u); // the flush alone
    EXPECT_EQ(engine.EncodeRawToOgg(raw, dir / "empty.ogg", source, source), 1);
    const mediacheck::StreamInfo ogg = mediacheck::Probe(dir / "empty.ogg");
    EXPECT_EQ(ogg.codec, "vorbis");
    EXPECT_LT(ogg.duration, 0.01);
}

TEST(RawConversion, FailuresAreReportedAndKeepTheRawFile)
{
    testkit::TempDir dir;
    const std::string raw = dir / "take.raw";
    testkit::WriteFile(raw, std::string(44100 * 4, '\0'));
    const WAVEFORMATEX source = MakePcmFormat(44100, 2, 16);
    CSoundExtractor engine;
    // No raw file; an output folder that does not exist; formats the WMA
    // codec lists no bit rate for; a pair the converter refuses.
    EXPECT_EQ(engine.WriteWavFromRaw(dir / "none.raw", dir / "x.wav", source, source), 0);
    EXPECT_EQ(engine.EncodeRawToMp3(raw, dir / "gone/x.mp3", source, source), 0);
    EXPECT_EQ(engine.EncodeRawToWma(raw, dir / "x.wma", source, MakePcmFormat(12000, 2, 16)), 0);
    WAVEFORMATEX odd = source;
    odd.wBitsPerSample = 12;
    EXPECT_EQ(engine.EncodeRawToWma(raw, dir / "y.wma", source, odd), 0);
    EXPECT_TRUE(std::filesystem::exists(raw));
}

} // namespace

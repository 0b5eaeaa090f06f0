// qxrec encode, run as the user runs it, its output checked by ffprobe/ffmpeg.

#include "encoders/wma_writer.h"
#include "media_check.h"
#include "testkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace {

const std::string kQxrec = QX_BIN_DIR "/qxrec";
const int kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

// A 1 kHz tone, 44100 Hz 16-bit stereo, 1.5 seconds.
std::string MakeInput(const testkit::TempDir& dir)
{
    const std::string path = dir / "in.wav";
    mediacheck::WriteWav(path, 44100, 2, 16, mediacheck::Sine(44100, 2, 16, 1000, 1.5));
    return path;
}

mediacheck::RunResult Encode(const std::vector<std::string>& args, const std::string& program = kQxrec)
{
    std::vector<std::string> argv = {program, "encode"};
    argv.insert(argv.end(), args.begin(), args.end());
    return mediacheck::Run(argv);
}

long HighestWmaBitrate(int rate, int channels)
{
    CWmaWriter writer;
    const WAVEFORMATEX format = MakePcmFormat(static_cast<DWORD>(rate), static_cast<WORD>(channels), 16);
    int count = 0;
    std::unique_ptr<DWORD[]> rates(writer.ListBitrates(&format, &count));
    return count ? static_cast<long>(*std::max_element(rates.get(), rates.get() + count)) : 0;
}

struct TypeCase {
    const char* ext;
    const char* codec;
};

class EncodeEveryAcceptedFormat : public testing::TestWithParam<TypeCase> {};

TEST_P(EncodeEveryAcceptedFormat, ToneSurvivesAtTheChosenRateAndLayout)
{
    const TypeCase t = GetParam();
    const std::string type = t.ext;
    testkit::TempDir dir;
    const std::string in = MakeInput(dir);
    for (int bits : {8, 16}) {
        if (bits == 8 && type != "wav")
            continue;
        for (int rate : kRates) {
            for (int channels : {1, 2}) {
                const bool refused = (type == "mp3" && rate == 8000)
                    || (type == "wma"
                        && (rate == 12000 || rate == 24000 || (rate == 11025 && channels == 2)
                            || (rate == 48000 && channels == 1)));
                if (refused)
                    continue;
                SCOPED_TRACE(testing::Message() << type << " " << rate << " Hz " << channels << " ch " << bits);
                const std::string out = dir / ("out." + type);
                const mediacheck::RunResult r = Encode({in, out, "--rate", std::to_string(rate), "--channels",
                                                        std::to_string(channels), "--bits", std::to_string(bits)});
                ASSERT_EQ(r.exitCode, 0) << r.err;
                const mediacheck::StreamInfo info = mediacheck::Probe(out);
                EXPECT_EQ(info.codec, bits == 8 ? "pcm_u8" : t.codec);
                EXPECT_EQ(info.rate, rate);
                EXPECT_EQ(info.channels, channels);
                // MP3 adds the encoder's delay and whole frames (up to 0.1 s at 11 kHz).
                EXPECT_NEAR(info.duration, 1.5, type == "mp3" ? 0.2 : 0.12);
                if (type == "mp3") { // MPEG 2.5 (11 and 12 kHz) stops at 64 kbit/s
                    EXPECT_EQ(info.bitRate, rate <= 12000 ? 64000 : 128000);
                } else if (type == "wma") {
                    EXPECT_EQ(info.bitRate, HighestWmaBitrate(rate, channels));
                }
                EXPECT_GT(mediacheck::ToneShare(mediacheck::DecodeMono(out, rate), rate, 1000), 0.85);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Types, EncodeEveryAcceptedFormat,
                         testing::Values(TypeCase{"wav", "pcm_s16le"}, TypeCase{"mp3", "mp3"},
                                         TypeCase{"wma", "wmav2"}, TypeCase{"ogg", "vorbis"}),
                         [](const testing::TestParamInfo<TypeCase>& i) { return std::string(i.param.ext); });

TEST(EncodeCommand, EqualFormatsKeepTheSamplesAndTheTypeOptionWins)
{
    testkit::TempDir dir;
    const std::string in = MakeInput(dir);
    const std::string out = dir / "copy.bin";
    const mediacheck::RunResult r = Encode({in, out, "--type", "wav"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(testkit::ReadFile(out), testkit::ReadFile(in));
}

TEST(EncodeCommand, RefusedCombinationsPrintTheirOwnReason)
{
    testkit::TempDir dir;
    const std::string in = MakeInput(dir);
    struct Refusal {
        std::vector<std::string> args;
        const char* text;
    };
    const Refusal refusals[] = {
        {{"x.mp3", "--rate", "8000"}, "MP3 ファイルの 8 KHzは対応していません。\n設定を変更してください。"},
        {{"x.mp3", "--bits", "8"}, "MP3 ファイルの 8 ビットは対応していません。\n設定を変更してください。"},
        {{"x.wma", "--rate", "11025"}, "WMA ファイルの ステレオ、11 KHzは対応していません。\n設定を変更してください。"},
        {{"x.wma", "--rate", "12000"}, "WMA ファイルの 12 KHzは対応していません。\n設定を変更してください。"},
        {{"x.wma", "--rate", "24000"}, "WMA ファイルの 24 KHzは対応していません。\n設定を変更してください。"},
        {{"x.wma", "--rate", "48000", "--channels", "1"},
         "WMA ファイルの モノラル、48 KHzは対応していません。\n設定を変更してください。"},
        {{"x.wma", "--bits", "8"}, "WMA ファイルの 8 ビットは対応していません。\n設定を変更してください。"},
        {{"x.ogg", "--bits", "8"}, "OGG ファイルの 8 ビットは対応していません。\n設定を変更してください。"},
    };
    for (const Refusal& f : refusals) {
        std::vector<std::string> args = {in, dir / f.args[0]};
        args.insert(args.end(), f.args.begin() + 1, f.args.end());
        const mediacheck::RunResult r = Encode(args);
        EXPECT_EQ(r.exitCode, 1) << f.text;
        EXPECT_NE(r.err.find(f.text), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir / f.args[0]));
    }
}

TEST(EncodeCommand, UsageErrorsExitWithTwo)
{
    testkit::TempDir dir;
    const std::string in = MakeInput(dir);
    const std::vector<std::vector<std::string>> cases = {
        {},
        {in},
        {in, dir / "out.flac"},
        {in, dir / "out.wav", "--type", "aac"},
        {in, dir / "out.wav", "--rate"},
        {in, dir / "out.wav", "--rate", "fast"},
        {in, dir / "out.wav", "--channels", "6"},
        {in, dir / "out.wav", "--bits", "24"},
        {in, dir / "out.wav", "--loud"},
    };
    for (const auto& args : cases)
        EXPECT_EQ(Encode(args).exitCode, 2) << (args.empty() ? "" : args.back());
    EXPECT_EQ(mediacheck::Run({kQxrec}).exitCode, 2);
    EXPECT_EQ(mediacheck::Run({kQxrec, "transcode"}).exitCode, 2);
}

TEST(EncodeCommand, InputThatIsNotPcmWavIsNamed)
{
    testkit::TempDir dir;
    const std::string text = dir / "notes.wav";
    testkit::WriteFile(text, "just some words, not sound");
    const std::string mp3 = dir / "sound.wav";
    mediacheck::Run({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "sine=f=440:d=0.5", "-c:a", "pcm_f32le", mp3});
    for (const std::string& in : {text, mp3, dir / "missing.wav"}) {
        const mediacheck::RunResult r = Encode({in, dir / "out.wav"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(in), std::string::npos) << r.err;
    }
}

TEST(EncodeCommand, WithoutTheMp3LibraryMp3FailsCleanlyAndOthersWork)
{
    testkit::TempDir dir;
    const std::string in = MakeInput(dir);
    // The program alone in a folder: the encoder library is not beside it.
    const std::string lonely = dir / "qxrec";
    std::filesystem::copy_file(kQxrec, lonely);
    std::filesystem::permissions(lonely, std::filesystem::perms::owner_all);
    const mediacheck::RunResult r = Encode({in, dir / "out.mp3"}, lonely);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("lame_enc.dll"), std::string::npos) << r.err;
    EXPECT_EQ(Encode({in, dir / "out.ogg"}, lonely).exitCode, 0);
}

} // namespace

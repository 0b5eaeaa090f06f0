// qxrec extract, run as the user runs it, on videos made by ffmpeg.

#include "extraction_kit.h"
#include "media_check.h"
#include "testkit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

using namespace extractkit;

namespace {

class Registered : public ::testing::Environment {
public:
    void SetUp() override { RegisterDumpFilter(); }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new Registered);

const std::string kQxrec = QX_BIN_DIR "/qxrec";
const std::vector<std::string> kPcm = {"-c:a", "pcm_s16le"};
const std::vector<std::string> kMp3 = {"-c:a", "libmp3lame", "-b:a", "64k"};

mediacheck::RunResult Extract(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {kQxrec, "extract"};
    argv.insert(argv.end(), args.begin(), args.end());
    return mediacheck::Run(argv);
}

TEST(QxrecExtract, ShowsTheSourceAndKeepsItsFormatByDefault)
{
    testkit::TempDir dir;
    const std::string video = dir / "clip.avi";
    ASSERT_TRUE(MakeVideo({"Mono22050", ".avi", "mpeg4", kMp3, 22050, 1}, video));
    const mediacheck::RunResult r = Extract({video, dir / "Clip", "--type", "ogg"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("ビデオ情報 : MPEG-4 part 2 Decoder\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("オーディオ情報 : MP3 (MPEG audio layer 3) Decoder, 1 チャンネル, 0 ビット, 22 KHz\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("サウンドの抽出が完了しました。"), std::string::npos);
    // The form's rule: the type's extension is added to a name without it.
    const mediacheck::StreamInfo info = mediacheck::Probe(dir / "Clip.ogg");
    EXPECT_EQ(info.codec, "vorbis");
    EXPECT_EQ(info.rate, 22050);
    EXPECT_EQ(info.channels, 1);
    EXPECT_NEAR(info.duration, 3.0, 0.1); // the source's MP3 frames end a little later

    const mediacheck::RunResult w = Extract({video, dir / "small.wav", "--rate", "8000", "--channels", "2", "--bits", "8"});
    ASSERT_EQ(w.exitCode, 0) << w.err;
    const mediacheck::StreamInfo small = mediacheck::Probe(dir / "small.wav");
    EXPECT_EQ(small.codec, "pcm_u8");
    EXPECT_EQ(small.rate, 8000);
    EXPECT_EQ(small.channels, 2);
}

TEST(QxrecExtract, RefusesWhatTheFormRefusesWithItsWords)
{
    testkit::TempDir dir;
    const std::string video = dir / "clip.avi";
    ASSERT_TRUE(MakeVideo({"Plain", ".avi", "mpeg4", kPcm, 48000, 1, 1, 1}, video));
    ASSERT_TRUE(MakeVideo({"NoVideo", ".avi", nullptr, kPcm, 44100, 2, 1, 1}, dir / "sound.avi"));
    ASSERT_TRUE(MakeVideo({"Six", ".avi", "mpeg4", kPcm, 44100, 6, 1, 1}, dir / "six.avi"));
    std::filesystem::copy_file(video, dir / "film.wav"); // a video by content, whatever its name
    testkit::WriteFile(dir / "notes.avi", "not a video\n");
    testkit::WriteFile(dir / "taken.wav", "keep me");
    const std::string noAudio = "オーディオデータがないか、2チャンネルより多いため、抽出できません。";
    struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{dir / "missing.avi", dir / "a.wav"}, "サウンドを抽出するファイルが存在しません。"},
        {{dir / "film.wav", dir / "FILM.WAV"}, "サウンドを抽出するファイルと出力するファイル名が同じです。\n別の名前を指定してください。"},
        {{dir / "notes.avi", dir / "a.wav"}, "指定されたファイルの読み込みに失敗しました。\n動画ファイルではないか、対応していない形式です。"},
        {{dir / "sound.avi", dir / "a.wav"}, "- 動画を再生するビデオフィルタが見つかりません。\n- 動画を再生するオーディオフィルタが見つかりません。\n" + noAudio},
        {{dir / "six.avi", dir / "a.wav"}, noAudio},
        {{video, dir / "a.wma"}, "WMA ファイル : モノラル、48 KHzは対応していません。"},
        {{video, dir / "a.mp3", "--bits", "8"}, "MP3 ファイル : 8 ビットは対応していません。"},
        {{video, dir / "taken.wav"}, "taken.wav ファイルが既に存在します。\nファイルを上書きしてもよろしいですか？"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const mediacheck::RunResult r = Extract(c.args);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "a.wav") || std::filesystem::exists(dir / "a.wma") || std::filesystem::exists(dir / "a.mp3"));
    }
    EXPECT_EQ(testkit::ReadFile(dir / "taken.wav"), "keep me");
    EXPECT_EQ(Extract({video}).exitCode, 2);
    EXPECT_EQ(Extract({video, dir / "a.flac"}).exitCode, 2);
    EXPECT_EQ(Extract({video, dir / "a.wav", "--rate", "16000"}).exitCode, 2);
}

TEST(QxrecExtract, CtrlCCancelsAndDeletesTheOutput)
{
    testkit::TempDir dir;
    const std::string video = dir / "long.avi";
    ASSERT_TRUE(MakeVideo({"Long", ".avi", "mpeg4", kMp3, 44100, 2, 60, 60}, video));
    const std::string output = dir / "long.mp3";
    const std::string errPath = dir / "err.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> args = {kQxrec, "extract", video, output};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, kQxrec.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    // The raw file appears once the run is prepared; a moment later it runs.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(dir / "long.raw") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(testkit::ReadFile(errPath).find("サウンドの抽出を中止しました。"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_FALSE(std::filesystem::exists(dir / "long.raw"));
}

} // namespace

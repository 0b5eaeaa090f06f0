// qxrec devices and qxrec record, run as the user runs them against a
// private sound server whose output plays a tone; the files are checked by
// ffprobe/ffmpeg.
#include "media_check.h"
#include "pulse_server.h"
#include "recording_check.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <regex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using recordingcheck::WaitUntil;

extern char** environ;

namespace {

const std::string kQxrec = QX_BIN_DIR "/qxrec";

mediacheck::RunResult Qxrec(std::vector<std::string> args)
{
    args.insert(args.begin(), kQxrec);
    return mediacheck::Run(args);
}

int WaitForExit(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class RecordCommand : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_server.Start()) << m_server.Log(); }

    testkit::PulseServer m_server; // 48000 Hz stereo output, 16000 Hz mono input
    testkit::TempDir m_dir;
};

TEST_F(RecordCommand, DevicesListsIndexNameDefaultAndFormat)
{
    const mediacheck::RunResult r = Qxrec({"devices"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "*  0  Monitor of QX-Speakers  (48000 Hz, 2 ch)\n"
                     "   1  QX-Microphone  (16000 Hz, 1 ch)\n");

    m_server.Stop();
    const mediacheck::RunResult none = Qxrec({"devices"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_NE(none.err.find("no sound server"), std::string::npos) << none.err;
}

TEST_F(RecordCommand, RecordsTheSecondsAskedWithoutReadingStandardInput)
{
    testkit::TonePlayer tone(1000.0);
    ASSERT_TRUE(tone.Start());
    struct Case {
        std::vector<std::string> args;
        const char* codec;
        int rate, channels;
    };
    // Standard input is /dev/null: a program that read it would stop at once.
    const Case cases[] = {
        {{"tone.wav", "--seconds", "1.5", "--rate", "22050", "--channels", "1"}, "pcm_s16le", 22050, 1},
        {{"tone.bin", "--type", "ogg", "--seconds", "1.5"}, "vorbis", 48000, 2}, // the device's own format
        {{"mic.mp3", "--device", "1", "--seconds", "1.5"}, "mp3", 16000, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        std::vector<std::string> args = c.args;
        args[0] = m_dir / args[0];
        args.insert(args.begin(), "record");
        const mediacheck::RunResult r = Qxrec(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "") << "no elapsed time off a terminal";
        const mediacheck::StreamInfo info = mediacheck::Probe(args[1]);
        EXPECT_EQ(info.codec, c.codec);
        EXPECT_EQ(info.rate, c.rate);
        EXPECT_EQ(info.channels, c.channels);
        EXPECT_GE(info.duration, 1.45);
        // A few chunks past the limit when the machine is busy, and MP3's delay and padding.
        EXPECT_LE(info.duration, 2.5);
        if (c.args[0] != "mic.mp3") { // the null input records silence
            EXPECT_GT(recordingcheck::MedianToneShare(mediacheck::DecodeMono(args[1], c.rate), c.rate, 1000), 0.9);
        }
    }
}

TEST_F(RecordCommand, RefusesWhatItCannotRecord)
{
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* message;
    };
    const std::string missing = m_dir / "no such folder/x.wav";
    const std::string wav = m_dir / "x.wav";
    const Case cases[] = {
        {{m_dir / "x.mp3", "--rate", "8000"}, 1, "MP3 ファイルの 8 KHzは対応していません。\n設定を変更してください。\n"},
        {{m_dir / "x.wma", "--channels", "1"}, 1, "WMA ファイルの モノラル、48 KHzは対応していません。\n設定を変更してください。\n"},
        {{missing, "--seconds", "1"}, 1, "qxrec record: cannot record to "},
        {{wav, "--device", "7"}, 1, "qxrec record: no capture device 7"},
        {{wav, "--seconds", "0"}, 2, "qxrec record: bad number of seconds '0'"},
        {{wav, "--device"}, 2, "qxrec record: --device needs a value"},
        {{m_dir / "x.xyz"}, 2, "qxrec record: cannot tell the output type"},
        {{}, 2, "qxrec record: an output file is needed"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "record");
        SCOPED_TRACE(testing::PrintToString(args));
        const mediacheck::RunResult r = Qxrec(args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(std::filesystem::exists(wav));
}

TEST_F(RecordCommand, CtrlCFinishesTheFile)
{
    const std::string out = m_dir / "stopped.wav";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string errPath = m_dir / "err";
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const char* argv[] = {kQxrec.c_str(), "record", out.c_str(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    // A second of 48000 Hz stereo 16-bit sound on disk.
    const bool recorded = WaitUntil([&] {
        return std::filesystem::exists(out) && std::filesystem::file_size(out) > 44 + 192000;
    });
    kill(pid, SIGINT);
    ASSERT_EQ(WaitForExit(pid), 0) << testkit::ReadFile(errPath);
    ASSERT_TRUE(recorded);
    const recordingcheck::WavHeader h = recordingcheck::ReadWavHeader(out);
    ASSERT_TRUE(h.valid);
    EXPECT_EQ(h.dataBytes, h.fileBytes - 44);
}

// The last elapsed time shown on the terminal, in ms; -1 when none yet.
long LastShown(const std::string& screen)
{
    static const std::regex shown(R"((\d\d) : (\d\d) : (\d\d)\.(\d\d\d))");
    long last = -1;
    for (std::sregex_iterator it(screen.begin(), screen.end(), shown), end; it != end; ++it)
        last = ((std::stol((*it)[1]) * 60 + std::stol((*it)[2])) * 60 + std::stol((*it)[3])) * 1000 +
               std::stol((*it)[4]);
    return last;
}

// qxrec on a terminal of its own: what it shows is gathered as it comes.
class TerminalRun {
public:
    explicit TerminalRun(const std::vector<std::string>& args)
    {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        m_pid = forkpty(&m_master, nullptr, nullptr, nullptr);
        if (m_pid == 0) {
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~TerminalRun()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            WaitForExit(m_pid);
        }
        if (m_master >= 0)
            close(m_master);
    }
    bool Started() const { return m_pid > 0; }
    void Type(const std::string& text) { ASSERT_EQ(write(m_master, text.data(), text.size()), (ssize_t)text.size()); }
    // Reads what arrived within ms; the screen so far.
    const std::string& Read(int ms)
    {
        pollfd p{m_master, POLLIN, 0};
        char buffer[4096];
        while (poll(&p, 1, ms) > 0) {
            const ssize_t n = read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            m_screen.append(buffer, static_cast<std::size_t>(n));
            ms = 0;
        }
        return m_screen;
    }
    bool WaitShown(long ms)
    {
        return WaitUntil([&] { return LastShown(Read(10)) >= ms; });
    }
    int Exit()
    {
        Read(100);
        const int code = WaitForExit(m_pid);
        m_pid = -1;
        Read(0);
        return code;
    }

private:
    pid_t m_pid = -1;
    int m_master = -1;
    std::string m_screen;
};

TEST_F(RecordCommand, OnATerminalPPausesEnterStopsAndTheTimeIsShown)
{
    testkit::TonePlayer tone(1000.0);
    ASSERT_TRUE(tone.Start());
    const std::string out = m_dir / "typed.wav";
    TerminalRun run({kQxrec, "record", out, "--rate", "22050"});
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitShown(1000)) << run.Read(0);

    run.Type("p\n");
    std::this_thread::sleep_for(300ms);
    const long atPause = LastShown(run.Read(10));
    std::this_thread::sleep_for(1000ms);
    EXPECT_EQ(LastShown(run.Read(10)), atPause) << "the time stands still while paused";
    EXPECT_NE(run.Read(0).find("(paused)"), std::string::npos);
    run.Type("p\n");
    ASSERT_TRUE(run.WaitShown(atPause + 500)) << run.Read(0);
    run.Type("\n");
    ASSERT_EQ(run.Exit(), 0) << run.Read(0);

    // The file holds what the last time shown says.
    const long last = LastShown(run.Read(0));
    const recordingcheck::WavHeader h = recordingcheck::ReadWavHeader(out);
    ASSERT_TRUE(h.valid);
    EXPECT_EQ(h.dataBytes, h.fileBytes - 44);
    EXPECT_EQ(h.rate, 22050u);
    EXPECT_NEAR(h.dataBytes * 1000.0 / h.byteRate, static_cast<double>(last), 20);
}

} // namespace

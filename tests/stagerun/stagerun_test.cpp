// Stagerun as a real program: its own copy, the command, the program opened
// afterwards, and the exit codes.
#include "testkit.h"
#include "update_testkit.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testkit::ScopedEnv;
using testkit::TempDir;
using updatetest::Quote;

const std::string kStagerun = QX_BIN_DIR "/Stagerun";
const std::string kProbe = PROBE_PROGRAM;

class StagerunTest : public ::testing::Test {
protected:
    StagerunTest() : m_tmp("TMPDIR", m_dir / "tmp"), m_log("STAGE_PROBE_LOG", m_dir / "log")
    {
        fs::create_directory(m_dir / "tmp");
    }
    // The probe's lines once at least n have arrived (or after 20 s).
    std::vector<std::string> Log(std::size_t n = 0)
    {
        std::vector<std::string> lines;
        for (int i = 0; i < 2000; ++i) {
            lines.clear();
            std::istringstream in(testkit::ReadFile(m_dir / "log"));
            for (std::string l; std::getline(in, l);)
                lines.push_back(l);
            if (lines.size() >= n)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return lines;
    }
    std::vector<std::string> TempFiles()
    {
        std::vector<std::string> names;
        for (auto& e : fs::directory_iterator(m_dir / "tmp"))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir m_dir;
    ScopedEnv m_tmp, m_log;
};

updatetest::RunResult SecondStage(const std::string& args)
{
    return updatetest::Run(Quote(kStagerun) + " /Exec " + args);
}

TEST_F(StagerunTest, SecondStageWithoutParametersStartsNothing)
{
    for (const std::string& args : {std::string(), "/Cmd " + Quote(kProbe), "/Cmd " + Quote(kProbe) + " /Param \"\"",
             "/Cmd " + Quote(kProbe) + " /ExePath " + Quote(kProbe) + " /Param"}) {
        const auto r = SecondStage(args);
        EXPECT_EQ(r.code, 160u) << args;
        EXPECT_EQ(r.output, "") << args;
    }
    EXPECT_TRUE(Log().empty());
}

TEST_F(StagerunTest, RunsTheCommandToItsEndThenOpensTheProgram)
{
    const auto r = SecondStage("/Cmd " + Quote(kProbe) + " /Param \"--slow &quot;a b&quot; c\" /ExePath "
        + Quote(kProbe));
    EXPECT_EQ(r.code, 0u);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(Log(2), (std::vector<std::string>{"--slow|a b|c", ""}));
}

TEST_F(StagerunTest, ProgramIsOpenedAfterAFailedCommandAndTheLastFailureCounts)
{
    const std::string missing = Quote(m_dir / "missing");
    testkit::WriteFile(m_dir / "notes.txt", "a document");
    ScopedEnv opener("QX_SHELL_OPEN", m_dir / "no-such-opener");
    const struct {
        std::string args;
        DWORD code;
        std::string output;
        std::vector<std::string> log;
    } cases[] = {
        {"/Cmd " + missing + " /Param x /ExePath " + Quote(kProbe), 2, "err: 2", {""}},
        {"/Cmd " + missing + " /Param x /ExePath " + Quote(m_dir / "notes.txt"), 1155, "err: 2", {}},
        {"/Cmd " + Quote(kProbe) + " /Param x /ExePath " + missing, 2, "", {"x"}},
    };
    for (const auto& c : cases) {
        fs::remove(m_dir / "log");
        const auto r = SecondStage(c.args);
        EXPECT_EQ(r.code, c.code) << c.args;
        EXPECT_EQ(r.output, c.output) << c.args;
        EXPECT_EQ(Log(c.log.size()), c.log) << c.args;
    }
}

TEST_F(StagerunTest, DocumentCommandOpensWithItsProgramAndIsWaitedFor)
{
    testkit::WriteFile(m_dir / "notes.txt", "a document");
    ScopedEnv opener("QX_SHELL_OPEN", kProbe);
    const auto r = SecondStage("/Cmd " + Quote(m_dir / "notes.txt") + " /Param unused");
    EXPECT_EQ(r.code, 0u);
    // No polling: the line must be there once Stagerun has ended.
    EXPECT_EQ(testkit::ReadFile(m_dir / "log"), m_dir / "notes.txt\n");
}

// The first stage leaves its copy beside the empty temporary file; started
// as the first stage starts it (just "/Exec"), the copy ends with 160.
TEST_F(StagerunTest, WithoutArgumentsTheCopyEndsWith160)
{
    const auto r = updatetest::Run(Quote(kStagerun));
    EXPECT_EQ(r.code, 0u);
    EXPECT_EQ(r.output, "");
    const auto files = TempFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].substr(files[0].size() - 4), ".tmp");
    EXPECT_EQ(files[1], files[0] + ".exe");
    EXPECT_EQ(updatetest::Run(Quote(m_dir / ("tmp/" + files[1])) + " /Exec").code, 160u);
}

TEST_F(StagerunTest, LowerCaseExecRelaunchesAndQuotesSurviveTheCopy)
{
    const auto r = updatetest::Run(Quote(kStagerun) + " /exec /Cmd " + Quote(kProbe)
        + " /Param \"&quot;a b&quot; c\" /ExePath " + Quote(kProbe));
    EXPECT_EQ(r.code, 0u);
    EXPECT_EQ(Log(2), (std::vector<std::string>{"a b|c", ""}));
    EXPECT_EQ(TempFiles().size(), 2u) << "a copy was made";
}

} // namespace

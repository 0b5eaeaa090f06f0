// Starting the companion programs for real: command lines, show values,
// working folder, exit codes, and a program folder with a space in it.
#include "agent_fakes.h"
#include "launcher.h"
#include "orv_log.h"
#include "system_services.h"
#include "testkit.h"

#include <chrono>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

using namespace agenttest;
using ::testing::ElementsAre;

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t i = 0;
    for (std::size_t j; (j = text.find('\n', i)) != std::string::npos; i = j + 1)
        lines.push_back(text.substr(i, j - i));
    return lines;
}

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(programs);
        for (const char* name : {"OrvDownload", "Expandor", "OrvView", "Patchrun"})
            std::filesystem::copy_file(ARG_PROBE, programs + "/" + name);
        Log().clear();
        SetLogEntry(&CaptureLogLine);
    }
    void TearDown() override { SetLogEntry(nullptr); }

    testkit::TempDir dir;
    const std::string programs = dir / "velmora app";
    testkit::ScopedEnv record{"PROBE_RECORD", dir / "record.txt"};
    CSystemStarter starter;
    CProgramLauncher launcher{starter, Utf8ToUtf16(programs)};
};

TEST_F(LauncherTest, EveryProgramGetsItsArgumentsIntactAndItsShowValue)
{
    const std::u16string dest = Utf8ToUtf16(dir / "my downloads/orv 1.zip");
    const std::u16string folder = Utf8ToUtf16(dir / "Orv Data");
    EXPECT_EQ(launcher.RunDownload(dest, u"http://127.0.0.1/a b.zip"), 0u);
    EXPECT_EQ(launcher.RunExtract(folder, dest), 0u);
    ProgramHandle viewer = launcher.StartViewer(u"お知らせ 1");
    ASSERT_NE(viewer, 0u);
    EXPECT_EQ(starter.Wait(viewer, 10000), WAIT_OBJECT_0);
    starter.Close(viewer);

    const std::string d = Utf16ToUtf8(dest), f = Utf16ToUtf8(folder);
    EXPECT_THAT(Lines(testkit::ReadFile(dir / "record.txt")),
        ElementsAre("OrvDownload|10|" + programs + "|http://127.0.0.1/a b.zip|" + d,
            "Expandor|0|" + programs + "|" + d + "|" + f, "OrvView|10|" + programs + "|お知らせ 1"));
    EXPECT_THAT(Log(), ElementsAre("START Download", "url: http://127.0.0.1/a b.zip", "dest: " + d,
                           "END Download: 0x00000000", "START Extract", "src: " + d, "dest: " + f,
                           "END Extract: 0x00000000", "START OrvView", "END OrvView"));
}

TEST_F(LauncherTest, UpdateProgramIsOpenedWithoutWaiting)
{
    launcher.StartUpdateProgram();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (testkit::ReadFile(dir / "record.txt").empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string line = testkit::ReadFile(dir / "record.txt");
    EXPECT_EQ(line.rfind("Patchrun|10|", 0), 0u) << line;
    EXPECT_TRUE(Log().empty());
}

TEST_F(LauncherTest, ExitCodesAndStartErrorsAreTheResult)
{
    {
        testkit::ScopedEnv code("PROBE_EXIT", "1223");
        EXPECT_EQ(launcher.RunDownload(u"/tmp/x.zip", u"http://h/x.zip"), 1223u);
        EXPECT_EQ(Log().back(), "END Download: 0x000004C7");
    }
    std::filesystem::remove(programs + "/OrvDownload");
    std::filesystem::remove(programs + "/Expandor");
    std::filesystem::remove(programs + "/OrvView");
    Log().clear();
    EXPECT_EQ(launcher.RunDownload(u"/tmp/x.zip", u"http://h/x.zip"), 2u);
    EXPECT_EQ(Log().back(), "END Download: 0x00000002");
    EXPECT_EQ(launcher.RunExtract(u"/tmp", u"/tmp/x.zip"), 2u);
    EXPECT_EQ(Log().back(), "END Extract: 0x00000002");
    EXPECT_EQ(launcher.StartViewer(u"m"), 0u);
    EXPECT_EQ(Log().back(), "END OrvView");
}

TEST_F(LauncherTest, WithoutTheLogLibraryNothingIsWritten)
{
    SetLogEntry(nullptr);
    EXPECT_EQ(launcher.RunDownload(u"/tmp/x.zip", u"http://h/x.zip"), 0u);
    EXPECT_TRUE(Log().empty());
}

} // namespace

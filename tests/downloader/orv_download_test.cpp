// OrvDownload as its callers meet it: a real program, a real HTTP server on
// 127.0.0.1, exit codes, progress lines and commands on pipes.
#include "testkit.h"
#include "update_testkit.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using testkit::ScopedEnv;
using testkit::TempDir;
using updatetest::CHttpServer;
using updatetest::Quote;

const std::string kProgram = QX_BIN_DIR "/OrvDownload";

std::string Pattern(std::size_t size)
{
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

// Checks the PROC lines: the only output, each with a new byte count, done
// never above a known total.  Returns the last line.
std::string CheckProgress(const std::string& output)
{
    std::istringstream in(output);
    std::string line, last;
    long long lastDone = -1;
    while (std::getline(in, line)) {
        long long done = -1, total = -1;
        char extra = 0;
        EXPECT_EQ(std::sscanf(line.c_str(), "PROC:%lld/%lld%c", &done, &total, &extra), 2) << line;
        EXPECT_NE(done, lastDone) << "a count is printed only when it changes";
        EXPECT_TRUE(total == 0 || done <= total) << line;
        lastDone = done;
        last = line;
    }
    return last;
}

class OrvDownloadTest : public ::testing::Test {
protected:
    OrvDownloadTest() : m_data("XDG_DATA_HOME", m_dirs / "data"), m_server(m_served.Path()) {}
    std::string Command(const std::string& file, const std::string& dest) const
    {
        return Quote(kProgram) + " " + Quote(m_server.Url(file)) + " " + Quote(dest);
    }

    TempDir m_dirs, m_served, m_out;
    ScopedEnv m_data;
    CHttpServer m_server;
};

TEST_F(OrvDownloadTest, DownloadsTheFileIntact)
{
    const std::string data = Pattern(5 * 1024 * 1024 + 3);
    testkit::WriteFile(m_served / "archive.zip", data);
    const std::string dest = m_out / "目的 地.zip";
    const auto r = updatetest::Run(Command("archive.zip", dest));
    EXPECT_EQ(r.code, 0u);
    EXPECT_TRUE(testkit::ReadFile(dest) == data);
    EXPECT_EQ(CheckProgress(r.output), "PROC:5242883/5242883");
    EXPECT_TRUE(fs::is_directory(m_dirs / "data/Velmora/OrvData"));
}

TEST_F(OrvDownloadTest, MissingFileEndsWithTheLibrarysCode)
{
    const std::string dest = m_out / "dest.zip";
    const auto r = updatetest::Run(Command("missing.zip", dest));
    EXPECT_EQ(r.code, 2u);
    EXPECT_FALSE(fs::exists(dest));
    EXPECT_TRUE(fs::is_empty(m_out.Path()));
    CheckProgress(r.output);
}

TEST_F(OrvDownloadTest, WrongArgumentCountEndsWith160Silently)
{
    for (const std::string args : {"", " \"a\"", " \"a\" \"b\" \"c\""}) {
        const auto r = updatetest::Run(Quote(kProgram) + args);
        EXPECT_EQ(r.code, 160u) << args;
        EXPECT_EQ(r.output, "") << args;
    }
    EXPECT_FALSE(fs::exists(m_dirs / "data")) << "nothing else is done";
}

// Commands sent while a slow transfer (about 2 s) runs.
TEST_F(OrvDownloadTest, CommandsOnStandardInput)
{
    testkit::WriteFile(m_served / "slow.bin", Pattern(200 * 1024));
    const struct {
        std::string input;
        DWORD code;
    } cases[] = {
        {"cancel\n", 1223},
        {"status\nCANCEL\n", 1223},
        {"Cancel\r\n", 0},
        {"Cancel", 0}, // no line feed: no command
        {std::string(101, ' ') + "\nCancel\n", 0},
    };
    for (const auto& c : cases) {
        const std::string dest = m_out / "slow.bin";
        fs::remove(dest);
        updatetest::CChild child(Command("slow.bin?rate=100000", dest));
        ASSERT_TRUE(child.Started());
        std::string first;
        ASSERT_TRUE(child.ReadLine(&first, 20000)) << "the download starts";
        child.Write(c.input);
        const DWORD code = child.Finish();
        EXPECT_EQ(code, c.code) << c.input.size() << " bytes sent";
        EXPECT_EQ(fs::exists(dest), c.code == 0) << c.input.size() << " bytes sent";
        CheckProgress(child.Output());
    }
}

TEST_F(OrvDownloadTest, StalledTransferPrintsNothingNew)
{
    testkit::WriteFile(m_served / "big.bin", Pattern(4 * 1024 * 1024));
    updatetest::CChild child(Command("big.bin?stall=1", m_out / "big.bin"));
    std::string line;
    bool half = false;
    while (!half && child.ReadLine(&line, 20000))
        half = line == "PROC:2097152/4194304";
    ASSERT_TRUE(half);
    EXPECT_FALSE(child.ReadLine(&line, 700)) << "no line while no byte arrives: " << line;
    child.Write("Cancel\n");
    EXPECT_EQ(child.Finish(), 1223u);
    EXPECT_TRUE(fs::is_empty(m_out.Path()));
}

} // namespace

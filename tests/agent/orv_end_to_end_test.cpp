// The agent with its real companions: a local HTTP server serves a message
// archive made at test time; Orv, started from a folder with a space in its
// name beside its const.xml, downloads, unpacks, runs the update program
// once, shows the message and logs every step; a second start ends at once;
// closing by class name ends it.
#include "msgloop/msgloop.h"
#include "program_kit.h"
#include "testkit.h"

#include <filesystem>
#include <regex>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using programkit::Quote;
using programkit::RunProgram;
using programkit::WaitFor;
using ::testing::HasSubstr;

namespace {

// The log's lines without their time stamps ("2026-01-31 23:59:59.123 "); a
// line without a stamp stays whole, so that it shows in a failure.
std::vector<std::string> LogLines(const std::string& path)
{
    static const std::regex stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )");
    std::vector<std::string> lines;
    const std::string text = testkit::ReadFile(path);
    std::size_t i = 0;
    for (std::size_t j; (j = text.find('\n', i)) != std::string::npos; i = j + 1) {
        const std::string line = text.substr(i, j - i);
        lines.push_back(std::regex_search(line, stamp) ? line.substr(24) : line);
    }
    return lines;
}

// A python3 http.server on 127.0.0.1 with a port of its own choosing.
class HttpServer {
public:
    explicit HttpServer(const std::string& folder)
    {
        int readEnd, writeEnd;
        CreatePipe(&readEnd, &writeEnd);
        StdHandles std;
        std.out = writeEnd;
        CreateProcess("/usr/bin/python3 -u -m http.server --bind 127.0.0.1 --directory " + Quote(folder) + " 0",
            "", SW_HIDE, &m_process, &std);
        ::close(writeEnd);
        std::string line;
        char c;
        while (::read(readEnd, &c, 1) == 1 && c != '\n')
            line += c;
        ::close(readEnd);
        // "Serving HTTP on 127.0.0.1 port 40123 (http://127.0.0.1:40123/) ..."
        const std::size_t at = line.find(" port ");
        if (at != std::string::npos)
            m_port = std::stoi(line.substr(at + 6));
    }
    ~HttpServer()
    {
        if (m_process) {
            ::kill(GetProcessId(m_process), SIGTERM);
            WaitForSingleObject(m_process, 10000);
            CloseHandle(m_process);
        }
    }
    int Port() const { return m_port; }

private:
    HPROCESS m_process = nullptr;
    int m_port = 0;
};

class OrvEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(programs);
        for (const char* name : {"Orv", "OrvDownload", "Expandor", "OrvView", "Patchrun", "libParamkit.so",
                 "libOrvLib.so", "libQzLog.so", "libFetchkit.so"})
            fs::copy_file(std::string(QX_BIN_DIR) + "/" + name, programs + "/" + name);
        fs::create_directories(root / "net");
        testkit::WriteFile(root / "net/route",
            "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
            "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n");
        fs::create_directories(root / "tmp dir");
        fs::create_directories(root / "served");
        ::mkdir((root / "run").c_str(), 0700);
    }

    // Serves an archive with one message and an update manifest, and points
    // const.xml at it; the address.
    std::string ServeMessages()
    {
        EXPECT_EQ(RunProgram(Quote("/usr/bin/python3") + " "
                      + Quote(QX_SOURCE_DIR "/tests/agent/companions/make_archive.py") + " zip "
                      + Quote(root / "served/messages.zip") + " " + Quote("f:messages/welcome 1/message.txt=ようこそ")
                      + " " + Quote("f:update.manifest=Orv=1.1\n")),
            0u);
        server = std::make_unique<HttpServer>(root / "served");
        EXPECT_GT(server->Port(), 0);
        const std::string url = "http://127.0.0.1:" + std::to_string(server->Port()) + "/messages.zip";
        testkit::WriteFile(programs + "/const.xml",
            "<?xml version=\"1.0\"?>\n<data><messageFileUrl>" + url + "</messageFileUrl></data>\n");
        return url;
    }

    HPROCESS StartOrv()
    {
        HPROCESS p = nullptr;
        EXPECT_EQ(CreateProcess(Quote(programs + "/Orv"), "", SW_SHOWDEFAULT, &p, &orvStd), 0u);
        return p;
    }

    testkit::TempDir root;
    const std::string programs = root / "velmora programs";
    const std::string data = root / "data home/Velmora/OrvData";
    const std::string log = data + "/orv.log";
    testkit::ScopedEnv dataHome{"XDG_DATA_HOME", root / "data home"};
    testkit::ScopedEnv runtime{"XDG_RUNTIME_DIR", root / "run"};
    testkit::ScopedEnv tmp{"TMPDIR", root / "tmp dir"};
    testkit::ScopedEnv net{"QX_PROC_NET", root / "net"};
    testkit::ScopedEnv display{"DISPLAY", ""};
    testkit::ScopedEnv wayland{"WAYLAND_DISPLAY", ""};
    StdHandles orvStd;
    std::unique_ptr<HttpServer> server;
};

TEST_F(OrvEndToEndTest, DownloadsUnpacksUpdatesShowsTheMessageAndClosesByClassName)
{
    const std::string url = ServeMessages();

    int readEnd, writeEnd;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd));
    orvStd.out = writeEnd;
    HPROCESS orv = StartOrv();
    ::close(writeEnd);
    ASSERT_NE(orv, nullptr);

    ASSERT_TRUE(WaitFor([&] {
        const auto lines = LogLines(log);
        return !lines.empty() && lines.back() == "CheckPopup No Message";
    })) << testkit::ReadFile(log);

    const auto lines = LogLines(log);
    ASSERT_EQ(lines.size(), 25u) << testkit::ReadFile(log);
    const std::string dest = lines[6].substr(6);
    EXPECT_EQ(dest.rfind(root / "tmp dir/", 0), 0u) << dest;
    EXPECT_THAT(dest, ::testing::EndsWith(".zip"));
    EXPECT_THAT(lines, ::testing::ElementsAre("InternetGetConnectedState: 0x00000002", "START CheckDownload",
                           ::testing::StartsWith("span: "), "START UpdateMessage", "START Download", "url: " + url,
                           "dest: " + dest, "END Download: 0x00000000", "START Extract", "src: " + dest,
                           "dest: " + data, "END Extract: 0x00000000", "END UpdateMessage: 0x00000000",
                           "END CheckDownload", "START CheckUpdate", ::testing::StartsWith("span: "),
                           "Exec Patchrun.exe", "END CheckUpdate", "START CheckPopup",
                           "CheckPopup MessageID:welcome 1", "START OrvView", "END OrvView", "END CheckPopup",
                           "START CheckPopup", "CheckPopup No Message"));
    EXPECT_EQ(testkit::ReadFile(data + "/messages/welcome 1/message.txt"), "ようこそ");
    EXPECT_TRUE(fs::is_empty(root / "tmp dir"));
    EXPECT_TRUE(WaitFor([&] { return !testkit::ReadFile(data + "/patchrun.log").empty(); }));

    // A second agent ends at once, silently.
    EXPECT_EQ(RunProgram(Quote(programs + "/Orv")), 0u);
    EXPECT_EQ(LogLines(log).size(), 25u);

    // Closing by class name removes the temporary data file and ends the agent.
    testkit::WriteFile(data + "/orvTempDataOrv", "x");
    ASSERT_TRUE(FindWindowByClass("Main.ORV.Velmora"));
    ASSERT_TRUE(PostMessageToClass("Main.ORV.Velmora", WM_CLOSE, 0, 0));
    ASSERT_EQ(WaitForSingleObject(orv, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(orv, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(orv);
    EXPECT_FALSE(fs::exists(data + "/orvTempDataOrv"));
    EXPECT_FALSE(FindWindowByClass("Main.ORV.Velmora"));

    // The viewer printed the message (no display here).
    std::string output;
    char buf[4096];
    for (ssize_t n; (n = ::read(readEnd, buf, sizeof buf)) > 0;)
        output.append(buf, static_cast<std::size_t>(n));
    ::close(readEnd);
    EXPECT_THAT(output, HasSubstr("ようこそ"));
    EXPECT_THAT(testkit::ReadFile(data + "/patchrun.log"), ::testing::EndsWith(" Patchrun ran; manifest: Orv=1.1\n"));
}

TEST_F(OrvEndToEndTest, WithoutTheLogLibraryTheAgentWorksTheSameAndSigtermClosesIt)
{
    fs::remove(programs + "/libQzLog.so");
    ServeMessages();
    HPROCESS orv = StartOrv();
    ASSERT_NE(orv, nullptr);
    // The whole first cycle: unpacked, updated, shown (and the viewer already gone).
    ASSERT_TRUE(WaitFor([&] { return !testkit::ReadFile(data + "/shown.txt").empty(); }));
    ASSERT_TRUE(WaitFor([&] { return !testkit::ReadFile(data + "/patchrun.log").empty(); }));
    EXPECT_EQ(testkit::ReadFile(data + "/messages/welcome 1/message.txt"), "ようこそ");

    testkit::WriteFile(data + "/orvTempDataOrv", "x");
    ::kill(GetProcessId(orv), SIGTERM);
    ASSERT_EQ(WaitForSingleObject(orv, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(orv, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(orv);
    EXPECT_FALSE(fs::exists(data + "/orvTempDataOrv"));
    EXPECT_FALSE(fs::exists(log));
}

} // namespace

// The agent's check cycle with a scripted clock, connectivity, programs and
// support library: whole cycles run in milliseconds.
#include "agent_fakes.h"
#include "main_frame.h"
#include "message_file.h"
#include "msgloop/msgloop.h"
#include "orv_log.h"
#include "testkit.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace agenttest;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace agenttest {

std::vector<std::string>& Log()
{
    static std::vector<std::string> lines;
    return lines;
}

int CaptureLogLine(const char16_t* line)
{
    Log().push_back(Utf16ToUtf8(line));
    return 0;
}

} // namespace agenttest

namespace {

constexpr std::int64_t kHour = 3600;

class CheckCycleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Log().clear();
        SetLogEntry(&CaptureLogLine);
        ScriptedConstants::values = {{u"/data/messageFileUrl", u"http://127.0.0.1/msg/messages.zip"}};
        ScriptedConstants::result = 1;
        support.folder = Utf8ToUtf16(data.Path());
        support.messages = {u"msg-1"};
    }
    void TearDown() override { SetLogEntry(nullptr); }

    CMainFrame& Frame()
    {
        if (!frame)
            frame = std::make_unique<CMainFrame>(
                AgentServices{clock, net, starter, support, &ScriptedConstants::Lookup, u"/opt/velmora app"}, host);
        return *frame;
    }
    // Delivers what the frame posted to itself, as the loop would.
    void DeliverPosted()
    {
        auto posted = std::move(host.posted);
        host.posted.clear();
        for (UINT m : posted)
            Frame().Dispatch(m, 0);
    }
    bool Logged(const std::string& line) const
    {
        return std::find(Log().begin(), Log().end(), line) != Log().end();
    }

    testkit::TempDir data;
    testkit::TempDir temp;
    testkit::ScopedEnv tmpdir{"TMPDIR", temp.Path()};
    ScriptedClock clock;
    ScriptedConnectivity net;
    ScriptedStarter starter;
    ScriptedSupport support;
    ScriptedHost host;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(CheckCycleTest, FirstOnlineCheckDownloadsUpdatesAndShowsTheMessageInOrder)
{
    ASSERT_EQ(Frame().OnCreate(), 0);

    ASSERT_EQ(starter.started.size(), 3u);
    const std::string dest = starter.started[0].args.at(1);
    EXPECT_THAT(dest, ::testing::EndsWith(".zip"));
    EXPECT_EQ(dest.rfind(temp.Path() + "/", 0), 0u) << dest;
    const std::string span = "span: " + std::to_string(clock.now / 3600.0);
    EXPECT_THAT(Log(), ElementsAre("InternetGetConnectedState: 0x00000002", "START CheckDownload", span,
                           "START UpdateMessage", "START Download", "url: http://127.0.0.1/msg/messages.zip",
                           "dest: " + dest, "END Download: 0x00000000", "START Extract", "src: " + dest,
                           "dest: " + data.Path(), "END Extract: 0x00000000", "END UpdateMessage: 0x00000000",
                           "END CheckDownload", "START CheckUpdate", span, "Exec Patchrun.exe", "END CheckUpdate",
                           "START CheckPopup", "CheckPopup MessageID:msg-1", "START OrvView", "END OrvView",
                           "END CheckPopup"));

    // Timer 2 first; timer 1 stopped around the download and started last.
    EXPECT_THAT(host.calls, ElementsAre("set 2 3000", "kill 1", "set 1 60000", "set 1 60000"));

    // The command lines and how each program is started.
    EXPECT_EQ(starter.started[0].program, "OrvDownload.exe");
    EXPECT_THAT(starter.started[0].args, ElementsAre("http://127.0.0.1/msg/messages.zip", dest));
    EXPECT_EQ(starter.started[0].show, SW_SHOWDEFAULT);
    EXPECT_EQ(starter.started[1].program, "Expandor.exe");
    EXPECT_THAT(starter.started[1].args, ElementsAre(dest, data.Path()));
    EXPECT_EQ(starter.started[1].show, SW_HIDE);
    EXPECT_EQ(starter.started[2].program, "OrvView.exe");
    EXPECT_THAT(starter.started[2].args, ElementsAre("msg-1"));
    EXPECT_EQ(starter.started[2].show, SW_SHOWDEFAULT);
    for (const auto& s : starter.started)
        EXPECT_EQ(s.folder, "/opt/velmora app");
    EXPECT_THAT(starter.opened, ElementsAre("/opt/velmora app/Patchrun.exe"));

    // Neither the download nor the empty name-keeper stays in the temporary folder.
    EXPECT_TRUE(std::filesystem::is_empty(temp.Path()));
    EXPECT_TRUE(Frame().MessagesReady());
    EXPECT_TRUE(Frame().ViewerRunning());
}

TEST_F(CheckCycleTest, OffLineNoCheckRuns)
{
    struct Case {
        BOOL result;
        DWORD flags;
        DWORD error;
        const char* line;
    } cases[] = {
        {TRUE, 0x20, 0, "InternetGetConnectedState: 0x00000020"},
        {TRUE, 0x22, 0, "InternetGetConnectedState: 0x00000022"},
        {FALSE, 0, 2, "InternetGetConnectedState ERR : 0x00000002"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Log().clear();
        frame.reset();
        starter = ScriptedStarter{};
        net.result = c.result;
        net.flags = c.flags;
        net.error = c.error;
        Frame().OnCreate();
        Frame().OnTimer(kCheckTimer);
        EXPECT_THAT(Log(), ElementsAre(c.line, c.line));
        EXPECT_THAT(starter.started, IsEmpty());
        EXPECT_THAT(starter.opened, IsEmpty());
        EXPECT_EQ(support.asked, 0);
    }
}

TEST_F(CheckCycleTest, ClockGoingBackMoreThanAnHourDownloadsAgain)
{
    struct Case {
        std::int64_t back;
        bool downloads;
    } cases[] = {{2 * kHour, true}, {kHour / 2, false}, {kHour, false}, {kHour + 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.back);
        frame.reset();
        starter = ScriptedStarter{};
        clock.now = 1'700'000'000;
        Frame().OnCreate();
        ASSERT_EQ(starter.Count("OrvDownload.exe"), 1);
        Log().clear();
        clock.now -= c.back;
        Frame().OnTimer(kCheckTimer);
        EXPECT_EQ(starter.Count("OrvDownload.exe"), c.downloads ? 2 : 1);
        EXPECT_EQ(Logged("Invalid lastDownloadTime"), c.downloads);
        ASSERT_GE(Log().size(), 4u);
        EXPECT_EQ(Log()[2], "span: " + std::to_string(-c.back / 3600.0));
        if (!c.downloads) {
            EXPECT_EQ(Log()[3], "END CheckDownload");
        }
    }
}

TEST_F(CheckCycleTest, CheckIntervalFromConstantsMakesDownloadsDueEveryHalfHour)
{
    ScriptedConstants::values[u"/data/checkInterval"] = u"0.5";
    Frame().OnCreate();
    EXPECT_EQ(Frame().CheckInterval(), 0.5);
    clock.now += 29 * 60;
    Frame().OnTimer(kCheckTimer);
    EXPECT_EQ(starter.Count("OrvDownload.exe"), 1);
    clock.now += 60;
    Frame().OnTimer(kCheckTimer);
    EXPECT_EQ(starter.Count("OrvDownload.exe"), 2);
    // The update program keeps its own day-long interval.
    EXPECT_THAT(starter.opened, ::testing::SizeIs(1));
}

TEST_F(CheckCycleTest, FailedDownloadOrUnpackingSuppressesUpdateAndPopup)
{
    struct Case {
        DWORD download, extract;
        const char* end;
    } cases[] = {{12029, 0, "END UpdateMessage: 0x00002EFD"}, {0, 13, "END UpdateMessage: 0x0000000D"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.end);
        Log().clear();
        frame.reset();
        starter = ScriptedStarter{};
        starter.downloadCode = c.download;
        starter.extractCode = c.extract;
        Frame().OnCreate();
        EXPECT_TRUE(Logged(c.end));
        EXPECT_EQ(starter.Count("Expandor.exe"), c.download == 0 ? 1 : 0);
        EXPECT_FALSE(Frame().MessagesReady());
        EXPECT_FALSE(Logged("START CheckUpdate"));
        EXPECT_FALSE(Logged("START CheckPopup"));
        // A cycle that is not due keeps the failed state: still no update or popup.
        clock.now += 60;
        Frame().OnTimer(kCheckTimer);
        EXPECT_FALSE(Logged("START CheckPopup"));
        EXPECT_THAT(starter.opened, IsEmpty());
        EXPECT_TRUE(std::filesystem::is_empty(temp.Path()));
    }
}

TEST_F(CheckCycleTest, ViewerActiveThenTheNextMessageWithinOneViewerWatch)
{
    support.messages = {u"msg-1", u"msg-2"};
    Frame().OnCreate();
    ASSERT_TRUE(Frame().ViewerRunning());
    const int asked = support.asked;

    // The next cycle with a download due and a viewer still open.
    Log().clear();
    clock.now += 3 * kHour;
    Frame().OnTimer(kCheckTimer);
    EXPECT_EQ(Log().back(), "END CheckPopup: orvview is active");
    EXPECT_EQ(support.asked, asked);

    // The watch finds nothing while the viewer runs...
    Frame().OnTimer(kViewerTimer);
    EXPECT_THAT(host.posted, IsEmpty());
    // ...and posts the registered message once it has ended.
    starter.viewerEnded = true;
    Frame().OnTimer(kViewerTimer);
    EXPECT_THAT(host.posted, ElementsAre(RegisterWindowMessage("checkMessage.MainFrm.orv.velmora")));
    EXPECT_FALSE(Frame().ViewerRunning());
    Log().clear();
    starter.viewerEnded = false;
    DeliverPosted();
    EXPECT_THAT(Log(), ElementsAre("START CheckPopup", "CheckPopup MessageID:msg-2", "START OrvView",
                           "END OrvView", "END CheckPopup"));
    EXPECT_EQ(starter.open, 1); // only the new viewer is held

    // No message left, or the library failing.
    starter.viewerEnded = true;
    Frame().OnTimer(kViewerTimer);
    Log().clear();
    DeliverPosted();
    EXPECT_THAT(Log(), ElementsAre("START CheckPopup", "CheckPopup No Message"));
    support.error = 0x57;
    Log().clear();
    Frame().Dispatch(Frame().CheckMessage(), 0);
    EXPECT_THAT(Log(), ElementsAre("START CheckPopup", "CheckPopup Err: 0x00000057"));
}

TEST_F(CheckCycleTest, ViewerThatCannotStartLeavesNoHandle)
{
    starter.startError["OrvView.exe"] = ERROR_FILE_NOT_FOUND;
    Frame().OnCreate();
    EXPECT_FALSE(Frame().ViewerRunning());
    EXPECT_EQ(Log().back(), "END CheckPopup");
    EXPECT_EQ(Log()[Log().size() - 3], "START OrvView");
}

TEST_F(CheckCycleTest, UpdateProgramRunsOncePerInterval)
{
    Frame().OnCreate();
    for (int i = 0; i < 8; ++i) { // three-hour downloads over a day
        clock.now += 3 * kHour;
        Frame().OnTimer(kCheckTimer);
    }
    EXPECT_EQ(starter.Count("OrvDownload.exe"), 9);
    EXPECT_THAT(starter.opened, ::testing::SizeIs(2)); // at the start and after 24 hours
    EXPECT_TRUE(Logged("END CheckUpdate"));
}

TEST_F(CheckCycleTest, TemporaryDataFileRemovedAtStartAndAtClose)
{
    const std::string file = data / "orvTempDataOrv";
    testkit::WriteFile(file, "x");
    ::chmod(file.c_str(), 0444);
    net.flags = 0x20;
    Frame().OnCreate();
    EXPECT_FALSE(std::filesystem::exists(file));
    testkit::WriteFile(file, "x");
    Frame().OnClose();
    EXPECT_FALSE(std::filesystem::exists(file));
    Frame().OnClose(); // nothing there: nothing happens
}

TEST_F(CheckCycleTest, ConstantsOnlyWhenTheLookupSucceeds)
{
    ScriptedConstants::values = {{u"/data/messageFileUrl", u"http://x/a.zip"}, {u"/data/checkInterval", u"abc"},
        {u"/data/updateInterval", u"12"}};
    net.flags = 0x20;
    Frame().OnCreate();
    EXPECT_EQ(Frame().MessageFileUrl(), u"http://x/a.zip");
    EXPECT_EQ(Frame().CheckInterval(), 0.0); // no number
    EXPECT_EQ(Frame().UpdateInterval(), 12.0);

    frame.reset();
    ScriptedConstants::result = 0;
    Frame().OnCreate();
    EXPECT_EQ(Frame().MessageFileUrl(), u"");
    EXPECT_EQ(Frame().CheckInterval(), 3.0);
    EXPECT_EQ(Frame().UpdateInterval(), 24.0);
}

TEST(DecimalValueTest, ReadsTheLeadingNumberLikeTheCLibrary)
{
    struct Case {
        const char16_t* text;
        double value;
    } cases[] = {{u"3", 3}, {u"0.5", 0.5}, {u" 1.5h", 1.5}, {u"-2", -2}, {u"1e1", 10}, {u".25", 0.25}, {u"", 0},
        {u"abc", 0}, {u"inf", 0}, {u"nan", 0}, {u"0x10", 0}, {u".", 0}, {u"2e", 2}};
    for (const Case& c : cases)
        EXPECT_EQ(DecimalValue(c.text), c.value) << Utf16ToUtf8(c.text);
}

TEST(MessageFileTest, ExtensionRuleForTheTemporaryName)
{
    struct Case {
        const char16_t* url;
        const char16_t* ext;
    } cases[] = {
        {u"http://h/messages.zip", u".zip"},
        {u"http://h/messages.tar.gz", u".gz"},
        {u"http://h/messages.zip?v=2", u""},
        {u"http://h/messages.ZIP", u".ZIP"},
        {u"http://h/messages.html5", u""},
        {u"http://h/messages.abcde", u""},
        {u"http://h/messages.", u""},
        {u"http://h.example/messages", u""}, // the dot of the host name: ".example/messages" is too long
        {u"http://h/m.zip x", u""},          // a space after the dot
        {u"http://h/m.zip\\x", u""},
        {u"", u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MessageFileExtension(c.url), c.ext) << Utf16ToUtf8(c.url);

    EXPECT_EQ(ReplaceTempExtension(u"/tmp/x.y/orvAb12.tmp", u".gz"), u"/tmp/x.y/orvAb12.gz");
    EXPECT_EQ(PathAppend(u"/data", u"orvTempDataOrv"), u"/data/orvTempDataOrv");
    EXPECT_EQ(PathAppend(u"/data/", u"orvTempDataOrv"), u"/data/orvTempDataOrv");
}

TEST_F(CheckCycleTest, TemporaryNameFollowsTheAddress)
{
    struct Case {
        const char16_t* url;
        const char* suffix;
    } cases[] = {{u"http://h/m.zip", ".zip"}, {u"http://h/m.tar.gz", ".gz"}, {u"http://h/m.zip?v=1", ".tmp"}};
    for (const Case& c : cases) {
        frame.reset();
        starter = ScriptedStarter{};
        ScriptedConstants::values[u"/data/messageFileUrl"] = c.url;
        Frame().OnCreate();
        ASSERT_EQ(starter.Count("OrvDownload.exe"), 1);
        EXPECT_THAT(starter.started[0].args.at(1), ::testing::EndsWith(c.suffix)) << Utf16ToUtf8(c.url);
    }
}

TEST(LogFormatTest, PrintfRulesOfTheLogLines)
{
    EXPECT_EQ(FormatLine(u"END Download: 0x%08X", 2u), u"END Download: 0x00000002");
    EXPECT_EQ(FormatLine(u"CheckPopup Err: 0x%08X", 0x80004005u), u"CheckPopup Err: 0x80004005");
    EXPECT_EQ(FormatLine(u"span: %f", -0.5), u"span: -0.500000");
    EXPECT_EQ(FormatLine(u"url: %s", u"http://h/ファイル.zip"), u"url: http://h/ファイル.zip");
    EXPECT_EQ(FormatLine(u"[%5s|%-3s]", u"ab", u"c"), u"[   ab|c  ]");
    EXPECT_EQ(FormatLine(u"%d%% %u", -3, 7u), u"-3% 7");
    EXPECT_EQ(FormatLine(u"%s", u"100% %s"), u"100% %s");
}

} // namespace

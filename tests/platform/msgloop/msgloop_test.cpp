#include "msgloop/msgloop.h"
#include "process/process.h"
#include "testkit.h"

#include <chrono>
#include <csignal>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using ::testing::ElementsAre;

namespace {

// Records what reaches it; scripted reactions per message.
class Recorder : public IWindowProc {
public:
    std::vector<std::string> seen;
    std::function<LRESULT(HWND, UINT, WPARAM)> react;
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        seen.push_back(std::to_string(message) + ":" + std::to_string(wParam));
        if (react)
            if (LRESULT r = react(hwnd, message, wParam); r != 0)
                return r;
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
};

std::string Msg(UINT m, WPARAM w = 0)
{
    return std::to_string(m) + ":" + std::to_string(w);
}

// Every test gets its own runtime folder, so class names never meet.
class MsgLoopTest : public ::testing::Test {
protected:
    testkit::TempDir runtime;
    testkit::ScopedEnv env{"XDG_RUNTIME_DIR", runtime.Path()};
};

TEST_F(MsgLoopTest, PostedMessagesBeforeTimersAndQuitAfterTheQueue)
{
    Recorder r;
    int ticks = 0;
    r.react = [&](HWND hwnd, UINT m, WPARAM w) -> LRESULT {
        if (m == WM_CREATE) {
            SetTimer(hwnd, 5, 1);
            PostMessage(hwnd, WM_USER + 1, 1, 0);
            PostMessage(hwnd, WM_USER + 1, 2, 0);
        }
        if (m == WM_TIMER && w == 5 && ++ticks == 3) {
            KillTimer(hwnd, 5);
            PostMessage(hwnd, WM_USER + 2, 0, 0);
            PostQuitMessage(4);
            PostMessage(hwnd, WM_USER + 3, 0, 0); // still handled before the quit
        }
        return 0;
    };
    HWND hwnd = CreateHiddenWindow("Test.Window.A", &r);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(RunMessageLoop(), 4);
    EXPECT_THAT(r.seen, ElementsAre(Msg(WM_CREATE), Msg(WM_USER + 1, 1), Msg(WM_USER + 1, 2), Msg(WM_TIMER, 5),
                            Msg(WM_TIMER, 5), Msg(WM_TIMER, 5), Msg(WM_USER + 2), Msg(WM_USER + 3)));
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_FALSE(PostMessage(hwnd, WM_USER, 0, 0));
    EXPECT_FALSE(SetTimer(hwnd, 1, 10));
}

TEST_F(MsgLoopTest, CloseByClassNameDestroysTheWindowAndFreesTheName)
{
    Recorder r;
    r.react = [](HWND, UINT m, WPARAM) -> LRESULT {
        if (m == WM_DESTROY)
            PostQuitMessage(0);
        return 0;
    };
    HWND hwnd = CreateHiddenWindow("Main.Test.Close", &r);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(FindWindowByClass("Main.Test.Close"));
    EXPECT_FALSE(FindWindowByClass("Main.Test.Other"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    Recorder second;
    EXPECT_EQ(CreateHiddenWindow("Main.Test.Close", &second), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);

    ASSERT_TRUE(PostMessageToClass("Main.Test.Close", WM_CLOSE, 0, 0));
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_THAT(r.seen, ElementsAre(Msg(WM_CREATE), Msg(WM_CLOSE), Msg(WM_DESTROY)));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(FindWindowByClass("Main.Test.Close"));
    EXPECT_FALSE(PostMessageToClass("Main.Test.Close", WM_CLOSE, 0, 0));
}

TEST_F(MsgLoopTest, RefusedCreationAndAStaleSocketLeftByAKilledProgram)
{
    Recorder refuses;
    refuses.react = [](HWND, UINT m, WPARAM) -> LRESULT { return m == WM_CREATE ? -1 : 0; };
    EXPECT_EQ(CreateHiddenWindow("Main.Test.Stale", &refuses), nullptr);
    EXPECT_THAT(refuses.seen, ElementsAre(Msg(WM_CREATE), Msg(WM_DESTROY)));

    // A bound socket file whose owner is gone.
    int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = runtime / "velmora-windows/Main.Test.Stale";
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
    EXPECT_FALSE(FindWindowByClass("Main.Test.Stale"));

    Recorder r;
    HWND hwnd = CreateHiddenWindow("Main.Test.Stale", &r);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(FindWindowByClass("Main.Test.Stale"));
    DestroyWindow(hwnd);
}

TEST(RegisterWindowMessageTest, SameNumberForTheSameNameInAnyCase)
{
    const UINT a = RegisterWindowMessage("checkMessage.MainFrm.orv.velmora");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessage("CHECKMESSAGE.mainfrm.ORV.velmora"), a);
    EXPECT_NE(RegisterWindowMessage("another.message"), a);
}

// Another process ends a program's window: by class name, and by SIGTERM.
class WindowChildTest : public MsgLoopTest {
protected:
    HPROCESS Start(const std::string& className)
    {
        int readEnd, writeEnd;
        EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd));
        StdHandles std;
        std.out = writeEnd;
        HPROCESS p = nullptr;
        EXPECT_EQ(CreateProcess(std::string("\"") + WINDOW_CHILD + "\" " + className, "", SW_HIDE, &p, &std), 0u);
        ::close(writeEnd);
        m_out = readEnd;
        EXPECT_EQ(ReadLine(), "ready");
        return p;
    }
    std::string ReadLine()
    {
        std::string line;
        char c;
        while (::read(m_out, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }
    void TearDown() override
    {
        if (m_out >= 0)
            ::close(m_out);
    }
    int m_out = -1;
};

TEST_F(WindowChildTest, ClosedFromAnotherProcessByClassOrSigterm)
{
    for (bool bySignal : {false, true}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "class");
        HPROCESS p = Start("Main.Test.Child");
        ASSERT_TRUE(FindWindowByClass("Main.Test.Child"));
        if (bySignal)
            ::kill(GetProcessId(p), SIGTERM);
        else
            ASSERT_TRUE(PostMessageToClass("Main.Test.Child", WM_CLOSE, 0, 0));
        EXPECT_EQ(ReadLine(), "close");
        ASSERT_EQ(WaitForSingleObject(p, 10000), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(p, &code);
        EXPECT_EQ(code, 7u);
        CloseHandle(p);
        ::close(m_out);
        m_out = -1;
        EXPECT_FALSE(FindWindowByClass("Main.Test.Child"));
    }
}

} // namespace

#include "process/process.h"
#include "testkit.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, SplitsByWindowsRules)
{
    const struct { const char* line; Args args; } cases[] = {
        {R"("/path with space/prog" "a b" "c")", {"/path with space/prog", "a b", "c"}},
        {R"(prog a  b)", {"prog", "a", "b"}},
        {R"(prog "" x)", {"prog", "", "x"}},
        {R"(prog a\\b "c\"d" e\\\"f)", {"prog", R"(a\\b)", R"(c"d)", R"(e\"f)"}},
        {R"(prog "a\\" b)", {"prog", R"(a\)", "b"}},
        {R"(prog "say ""hi""")", {"prog", R"(say "hi")"}},
        {R"("C:\dir\x.exe" /Exec "/Param")", {R"(C:\dir\x.exe)", "/Exec", "/Param"}},
        {"   ", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandLineToArgv(c.line), c.args) << c.line;
}

// Copies the child program into a folder whose name has spaces.
std::string ChildWithSpaces(const testkit::TempDir& dir)
{
    const std::string folder = dir / "path with space";
    std::filesystem::create_directories(folder);
    const std::string prog = folder + "/prog";
    std::filesystem::copy_file(CHILD_PROGRAM, prog);
    return prog;
}

DWORD RunToEnd(const std::string& line, const std::string& folder = "")
{
    HPROCESS p = nullptr;
    EXPECT_EQ(CreateProcess(line, folder, SW_SHOWDEFAULT, &p), ERROR_SUCCESS) << line;
    if (!p)
        return 0xDEAD;
    EXPECT_EQ(WaitForSingleObject(p, 30000), WAIT_OBJECT_0);
    DWORD code = 0xDEAD;
    EXPECT_TRUE(GetExitCodeProcess(p, &code));
    CloseHandle(p);
    return code;
}

TEST(Process, QuotedArgumentsArriveIntact)
{
    testkit::TempDir dir;
    const std::string prog = ChildWithSpaces(dir);
    const std::string out = dir / "out file.txt";
    // "args FILE" comes first; then the two arguments under test.
    EXPECT_EQ(RunToEnd("\"" + prog + "\" args \"" + out + "\" \"a b\" \"c\"", dir.Path()), 0u);
    EXPECT_EQ(testkit::ReadFile(out), "a b\nc\ncwd=" + dir.Path() + "\n");
}

TEST(Process, FullExitCodesComeBack)
{
    for (DWORD code : {0u, 2u, 160u, 1223u, 256u, 0x80070002u})
        EXPECT_EQ(RunToEnd(std::string("\"") + CHILD_PROGRAM + "\" exit " + std::to_string(code)), code);
    EXPECT_EQ(ExitCodeForMain(1223), 1223 & 0xFF);
    EXPECT_EQ(ExitCodeForMain(256), 255) << "a failure must not read as 0 to a shell";
}

TEST(Process, MissingProgramAndFolder)
{
    testkit::TempDir dir;
    HPROCESS p = nullptr;
    EXPECT_EQ(CreateProcess("\"" + dir.Path() + "/OrvDownload.exe\" a b", "", SW_SHOWDEFAULT, &p), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(CreateProcess("no-such-program-qx x", "", SW_HIDE, &p), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(CreateProcess(std::string("\"") + CHILD_PROGRAM + "\" exit 0", dir / "gone", SW_HIDE, &p),
        ERROR_PATH_NOT_FOUND);
}

TEST(Process, ExeNamesMapToTheProgram)
{
    testkit::TempDir dir;
    const std::string prog = ChildWithSpaces(dir);
    EXPECT_EQ(RunToEnd("\"" + prog + ".exe\" exit 7"), 7u);
}

TEST(Process, WaitTimesOutWhileRunning)
{
    int rd = -1, wr = -1;
    ASSERT_TRUE(CreatePipe(&rd, &wr));
    StdHandles std;
    std.in = rd;
    HPROCESS p = nullptr;
    ASSERT_EQ(CreateProcess(std::string("\"") + CHILD_PROGRAM + "\" mutex qx-wait-test", "", SW_HIDE, &p, &std),
        ERROR_SUCCESS);
    ::close(rd);
    EXPECT_EQ(WaitForSingleObject(p, 50), WAIT_TIMEOUT);
    DWORD code = 0;
    GetExitCodeProcess(p, &code);
    EXPECT_EQ(code, STILL_ACTIVE);
    ::close(wr); // the child ends when its input closes
    EXPECT_EQ(WaitForSingleObject(p, 10000), WAIT_OBJECT_0);
    CloseHandle(p);
}

TEST(Shell, OpensProgramsDocumentsAndAddresses)
{
    testkit::TempDir dir;
    const std::string prog = ChildWithSpaces(dir);
    // An opener that records what it was asked to open.
    const std::string opener = dir / "opener";
    const std::string log = dir / "opened.txt";
    testkit::WriteFile(opener, "#!/bin/sh\necho \"$1\" >> \"" + log + "\"\n");
    ::chmod(opener.c_str(), 0755);
    testkit::ScopedEnv env("QX_SHELL_OPEN", opener);

    const std::string out = dir / "args.txt";
    HPROCESS p = nullptr;
    ASSERT_TRUE(ShellExecuteEx("open", prog, "args \"" + out + "\" \"x y\"", "", SW_SHOW, &p));
    ASSERT_NE(p, nullptr);
    WaitForSingleObject(p, 10000);
    CloseHandle(p);
    EXPECT_EQ(testkit::ReadFile(out).substr(0, 4), "x y\n");

    const std::string doc = dir / "take 1.wav";
    testkit::WriteFile(doc, "RIFF");
    ASSERT_TRUE(ShellExecuteEx("open", doc, "", "", SW_SHOW, &p));
    WaitForSingleObject(p, 10000);
    CloseHandle(p);
    EXPECT_GT(ShellExecute("", "https://example.invalid/help", "", "", SW_SHOWNORMAL), 32);
    for (int i = 0; i < 200 && testkit::ReadFile(log).find("help") == std::string::npos; ++i)
        ::usleep(10000);
    EXPECT_EQ(testkit::ReadFile(log), doc + "\nhttps://example.invalid/help\n");

    EXPECT_EQ(ShellExecute("open", dir / "missing.exe", "", "", SW_SHOW), 2);
    EXPECT_FALSE(ShellExecuteEx("open", dir / "missing.exe", "", "", SW_SHOW, &p));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

} // namespace

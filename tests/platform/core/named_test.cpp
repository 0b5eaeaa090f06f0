#include "named/named_object.h"
#include "process/process.h"
#include "testkit.h"

#include <csignal>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

std::string UniqueName(const char* base)
{
    return std::string(base) + " " + std::to_string(::getpid()) + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

// Starts the child holding a block; returns once it has created it.
HPROCESS StartHolder(const std::string& name, int& readEnd)
{
    int wr = -1;
    EXPECT_TRUE(CreatePipe(&readEnd, &wr));
    StdHandles std;
    std.out = wr;
    HPROCESS p = nullptr;
    EXPECT_EQ(CreateProcess(std::string("\"") + CHILD_PROGRAM + "\" hold \"" + name + "\"", "", SW_HIDE, &p, &std),
        ERROR_SUCCESS);
    ::close(wr);
    char buf[16] = {};
    EXPECT_GT(::read(readEnd, buf, sizeof buf - 1), 0);
    EXPECT_STREQ(buf, "ready\n");
    return p;
}

TEST(NamedBlock, CreateOpenAndLastHolderGone)
{
    const std::string name = UniqueName("QXRecordRecordRunning");
    EXPECT_FALSE(NamedBlock::Open(name));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(NamedBlock::Create(name, 0));

    bool existed = true;
    auto a = NamedBlock::Create(name, 8, &existed);
    ASSERT_TRUE(a);
    EXPECT_FALSE(existed);
    static_cast<unsigned char*>(a->Data())[4] = 1;

    auto b = NamedBlock::Open(name);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Size(), 8u);
    EXPECT_EQ(static_cast<unsigned char*>(b->Data())[4], 1); // the same memory
    auto c = NamedBlock::Create(name, 8, &existed);
    ASSERT_TRUE(c);
    EXPECT_TRUE(existed);

    a.reset();
    c.reset();
    EXPECT_TRUE(NamedBlock::Open(name)) << "b still holds it";
    b.reset();
    EXPECT_FALSE(NamedBlock::Open(name));
    auto fresh = NamedBlock::Create(name, 8, &existed);
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(existed);
    EXPECT_EQ(static_cast<unsigned char*>(fresh->Data())[4], 0) << "a new block starts zeroed";
}

TEST(NamedBlock, SeenWhileTheCreatorLivesAndGoneAfterSigkill)
{
    const std::string name = UniqueName("QXRecordCamRunning");
    int out = -1;
    HPROCESS holder = StartHolder(name, out);
    {
        auto seen = NamedBlock::Open(name);
        ASSERT_TRUE(seen);
        EXPECT_EQ(static_cast<unsigned char*>(seen->Data())[0], 0x2A);
    }
    ::kill(GetProcessId(holder), SIGKILL);
    ASSERT_EQ(WaitForSingleObject(holder, 10000), WAIT_OBJECT_0);
    CloseHandle(holder);
    ::close(out);
    EXPECT_FALSE(NamedBlock::Open(name));
}

TEST(NamedMutex, SecondClaimSeesTheFirst)
{
    const std::string name = UniqueName("Orv.exe.VelmoraCarekit.Velmora");
    bool existed = true;
    auto first = NamedMutex::Create(name, &existed);
    ASSERT_TRUE(first);
    EXPECT_FALSE(existed);

    int rd = -1, wr = -1, inRd = -1, inWr = -1;
    ASSERT_TRUE(CreatePipe(&rd, &wr));
    ASSERT_TRUE(CreatePipe(&inRd, &inWr));
    StdHandles std;
    std.in = inRd;
    std.out = wr;
    HPROCESS p = nullptr;
    ASSERT_EQ(CreateProcess(std::string("\"") + CHILD_PROGRAM + "\" mutex \"" + name + "\"", "", SW_HIDE, &p, &std),
        ERROR_SUCCESS);
    ::close(wr);
    ::close(inRd);
    char buf[16] = {};
    EXPECT_GT(::read(rd, buf, sizeof buf - 1), 0);
    EXPECT_STREQ(buf, "second\n");
    ::close(inWr);
    WaitForSingleObject(p, 10000);
    CloseHandle(p);
    ::close(rd);

    first.reset();
    auto again = NamedMutex::Create(name, &existed);
    ASSERT_TRUE(again);
    EXPECT_FALSE(existed);
}

} // namespace

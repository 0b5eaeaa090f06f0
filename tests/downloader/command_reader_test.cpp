#include "command_reader.h"
#include "core/text.h"
#include "pipe/pipe.h"
#include "process/process.h"
#include "testkit.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

using downloader::ReadCommand;

struct Pipe {
    Pipe() { CreatePipe(&read, &write); }
    ~Pipe()
    {
        ::close(read);
        if (write >= 0)
            ::close(write);
    }
    void Send(const std::string& s) { ASSERT_EQ(::write(write, s.data(), s.size()), static_cast<ssize_t>(s.size())); }
    std::optional<std::string> Take()
    {
        std::u16string c;
        if (!ReadCommand(read, &c))
            return std::nullopt;
        return Utf16ToUtf8(c);
    }
    int read = -1, write = -1;
};

TEST(CommandReader, TakesOneLineAtATimeAndLeavesTheRest)
{
    const struct {
        std::string sent;
        std::vector<std::optional<std::string>> taken;
    } cases[] = {
        {"Cancel\n", {"Cancel", std::nullopt}},
        {"Cancel\r\n", {"Cancel\r", std::nullopt}},
        {"one\ntwo\nthr", {"one", "two", std::nullopt, std::nullopt}},
        {"\n", {"", std::nullopt}},
        {std::string(99, 'x') + "\n", {std::string(99, 'x')}},
        // The line feed lies beyond the first 100 bytes: never taken.
        {std::string(100, 'x') + "\nCancel\n", {std::nullopt, std::nullopt}},
    };
    for (const auto& c : cases) {
        Pipe p;
        p.Send(c.sent);
        for (std::size_t i = 0; i < c.taken.size(); ++i)
            EXPECT_EQ(p.Take(), c.taken[i]) << "sent " << c.sent.size() << " bytes, step " << i;
    }
}

TEST(CommandReader, APartLineWaitsForItsEnd)
{
    Pipe p;
    p.Send("Can");
    EXPECT_EQ(p.Take(), std::nullopt);
    p.Send("cel\nrest");
    EXPECT_EQ(p.Take(), "Cancel");
    // Exactly the line was consumed: the rest is still in the pipe.
    char buf[16];
    ASSERT_EQ(::read(p.read, buf, sizeof buf), 4);
    EXPECT_EQ(std::string(buf, 4), "rest");
}

TEST(CommandReader, NoPipeNoCommand)
{
    testkit::TempDir dir;
    testkit::WriteFile(dir / "input", "Cancel\n");
    const int file = ::open((dir / "input").c_str(), O_RDONLY);
    std::u16string c;
    EXPECT_FALSE(ReadCommand(file, &c));
    ::close(file);
    EXPECT_FALSE(ReadCommand(-1, &c));

    Pipe closed; // the writer has gone and nothing waits
    ::close(closed.write);
    closed.write = -1;
    EXPECT_FALSE(ReadCommand(closed.read, &c));
}

TEST(CommandReader, CancelIgnoresCase)
{
    for (const char16_t* c : {u"Cancel", u"cancel", u"CANCEL", u"cAnCeL"})
        EXPECT_TRUE(downloader::IsCancelCommand(c));
    for (const char16_t* c : {u"Cancel\r", u"Cancel ", u"Cance", u""})
        EXPECT_FALSE(downloader::IsCancelCommand(c));
}

} // namespace

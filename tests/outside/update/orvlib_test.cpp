#include "core/text.h"
#include "module/module.h"
#include "orvlib.h"
#include "testkit.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using testkit::ScopedEnv;
using testkit::TempDir;

struct OrvLib {
    OrvLib() : lib(LoadLibrary(QX_BIN_DIR "/libOrvLib.so"))
    {
        folder = reinterpret_cast<OrvGetDataFolderFn>(GetProcAddressOrdinal(lib, kOrvLibFolderOrdinal));
        message = reinterpret_cast<OrvGetWaitingMessageFn>(GetProcAddressOrdinal(lib, kOrvLibMessageOrdinal));
    }
    ~OrvLib() { FreeLibrary(lib); }
    std::string Folder()
    {
        char16_t buf[260];
        EXPECT_EQ(folder(buf, 260), 0);
        return Utf16ToUtf8(buf);
    }
    // The identifier handed out, or "" when none waits.
    std::string Next()
    {
        std::array<unsigned char, kOrvMessageRecordSize> record;
        record.fill(0xCC);
        int waiting = -1;
        EXPECT_EQ(message(record.data(), &waiting), 0);
        if (!waiting)
            return "";
        std::u16string id(reinterpret_cast<const char16_t*>(record.data() + kOrvMessageIdOffset));
        return Utf16ToUtf8(id);
    }
    HMODULE lib;
    OrvGetDataFolderFn folder;
    OrvGetWaitingMessageFn message;
};

TEST(OrvLib, SupportDataFolderIsMadeUnderTheUsersDataHome)
{
    TempDir home;
    OrvLib lib;
    {
        ScopedEnv data("XDG_DATA_HOME", home / "data");
        EXPECT_EQ(lib.Folder(), home / "data/Velmora/OrvData");
        EXPECT_TRUE(fs::is_directory(home / "data/Velmora/OrvData"));
    }
    ScopedEnv data("XDG_DATA_HOME", "relative/ignored");
    ScopedEnv h("HOME", home.Path());
    EXPECT_EQ(lib.Folder(), home / ".local/share/Velmora/OrvData");

    char16_t small[8] = u"xxxxxxx";
    EXPECT_EQ(lib.folder(small, 8), static_cast<int>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(small[0], u'\0');
}

TEST(OrvLib, EachMessageIsGivenOnceInNameOrder)
{
    TempDir home;
    ScopedEnv data("XDG_DATA_HOME", home.Path());
    OrvLib lib;
    const std::string folder = lib.Folder();
    EXPECT_EQ(lib.Next(), "") << "no archive unpacked yet";

    fs::create_directories(folder + "/messages/m002 お知らせ");
    testkit::WriteFile(folder + "/messages/m001", "");
    testkit::WriteFile(folder + "/messages/.hidden", "");
    testkit::WriteFile(folder + "/messages/" + std::string(514, 'x'), "");
    EXPECT_EQ(lib.Next(), "m001");
    EXPECT_EQ(lib.Next(), "m002 お知らせ");
    EXPECT_EQ(lib.Next(), "") << "hidden and too-long names are never given";

    // A newer archive unpacked over the old one brings one new message.
    testkit::WriteFile(folder + "/messages/m003", "");
    EXPECT_EQ(lib.Next(), "m003");
    EXPECT_EQ(lib.Next(), "");
}

TEST(OrvLib, RecordHoldsTheIdentifierAtItsOffset)
{
    TempDir home;
    ScopedEnv data("XDG_DATA_HOME", home.Path());
    OrvLib lib;
    fs::create_directories(lib.Folder() + "/messages");
    testkit::WriteFile(lib.Folder() + "/messages/ab", "");
    std::array<unsigned char, kOrvMessageRecordSize> record;
    record.fill(0xCC);
    int waiting = 0;
    ASSERT_EQ(lib.message(record.data(), &waiting), 0);
    ASSERT_EQ(waiting, 1);
    const unsigned char expected[] = {'a', 0, 'b', 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(record.data() + kOrvMessageIdOffset, expected, sizeof expected));
    EXPECT_EQ(record[0], 0) << "the rest of the record is cleared";
    EXPECT_EQ(record[kOrvMessageRecordSize - 1], 0);
}

TEST(OrvLib, UnwritableShownListGivesAnErrorNotARepeat)
{
    TempDir home;
    ScopedEnv data("XDG_DATA_HOME", home.Path());
    OrvLib lib;
    const std::string folder = lib.Folder();
    fs::create_directories(folder + "/messages");
    testkit::WriteFile(folder + "/messages/m1", "");
    fs::create_directory(folder + "/shown.txt"); // cannot be appended to
    std::array<unsigned char, kOrvMessageRecordSize> record{};
    int waiting = -1;
    EXPECT_NE(lib.message(record.data(), &waiting), 0);
    EXPECT_EQ(waiting, 0);
}

} // namespace

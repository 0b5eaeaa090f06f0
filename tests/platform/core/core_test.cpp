#include "core/locale.h"
#include "core/text.h"
#include "core/waveformat.h"
#include "core/wintypes.h"
#include "files/file.h"
#include "files/tempfile.h"
#include "testkit.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

TEST(Errors, ErrnoMapsToWin32Codes)
{
    const struct { int err; DWORD code; } cases[] = {
        {0, ERROR_SUCCESS}, {ENOENT, ERROR_FILE_NOT_FOUND}, {ENOTDIR, ERROR_PATH_NOT_FOUND},
        {EACCES, ERROR_ACCESS_DENIED}, {ENOSPC, ERROR_DISK_FULL}, {EEXIST, ERROR_ALREADY_EXISTS},
        {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE}, {EPIPE, ERROR_BROKEN_PIPE},
        {EDOM, ERROR_INVALID_FUNCTION}, // unknown values never read as success
    };
    for (const auto& c : cases)
        EXPECT_EQ(Win32ErrorFromErrno(c.err), c.code) << "errno " << c.err;
}

TEST(Errors, HresultFromWin32)
{
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SUCCESS), S_OK);
    EXPECT_EQ(static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)), 0x80070002u);
    EXPECT_EQ(static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)), 0x800700CEu);
    EXPECT_EQ(HRESULT_FROM_WIN32(static_cast<DWORD>(E_FAIL)), E_FAIL);
    EXPECT_TRUE(FAILED(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)));
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
}

TEST(WaveFormat, PcmRuleAndLayout)
{
    const WAVEFORMATEX f = MakePcmFormat(44100, 2, 16);
    EXPECT_EQ(f.wFormatTag, 1);
    EXPECT_EQ(f.nBlockAlign, 4);
    EXPECT_EQ(f.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(f.cbSize, 0);
    EXPECT_TRUE(IsConsistentPcm(f));
    EXPECT_EQ(MakePcmFormat(8000, 1, 8).nAvgBytesPerSec, 8000u);

    // Byte layout of a WAV header's format chunk.
    const unsigned char expected[18] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 0, 0};
    EXPECT_EQ(std::memcmp(&f, expected, 18), 0);

    WAVEFORMATEX bad = f;
    bad.nAvgBytesPerSec += 1;
    EXPECT_FALSE(IsConsistentPcm(bad));
}

TEST(Text, Cp932ByteLengthCountsDoubleByteCharacters)
{
    EXPECT_EQ(Cp932ByteLength("abc.wav"), 7u);
    EXPECT_EQ(Cp932ByteLength("録音"), 4u);          // two double-byte characters
    EXPECT_EQ(Cp932ByteLength("ｻｳﾝﾄﾞ"), 5u);        // half-width katakana are single bytes
    EXPECT_EQ(Cp932ByteLength("a\xF0\x9F\x8E\xB5"), 2u); // no CP932 form: counted as '?'
}

TEST(Text, Utf16RoundTrip)
{
    const std::string s = "サウンド \xF0\x9F\x8E\xB5 ok";
    const std::u16string w = Utf8ToUtf16(s);
    EXPECT_EQ(w[0], u'サ');
    EXPECT_EQ(Utf16ToUtf8(w), s);
}

TEST(Locale, JapaneseIsTakenFromTheFirstSetVariable)
{
    const struct { const char* all; const char* messages; const char* lang; LCID expected; } cases[] = {
        {"ja_JP.UTF-8", "", "", LCID_JAPANESE},
        {"", "", "ja_JP.eucJP", LCID_JAPANESE},
        {"C.UTF-8", "", "ja_JP.UTF-8", LCID_ENGLISH_US}, // LC_ALL wins
        {"", "en_US.UTF-8", "ja_JP.UTF-8", LCID_ENGLISH_US},
        {"", "", "", LCID_ENGLISH_US},
        {"", "", "jam_JM", LCID_ENGLISH_US},
    };
    for (const auto& c : cases) {
        testkit::ScopedEnv a("LC_ALL", c.all), m("LC_MESSAGES", c.messages), l("LANG", c.lang);
        EXPECT_EQ(GetSystemDefaultLCID(), c.expected) << c.all << "|" << c.messages << "|" << c.lang;
    }
}

TEST(TempFile, NamesAreUniqueAndCreatedEmpty)
{
    testkit::TempDir dir;
    const std::string a = GetTempFileName(dir.Path(), "orv");
    const std::string b = GetTempFileName(dir.Path(), "orv");
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_TRUE(a.ends_with(".tmp"));
    EXPECT_EQ(a.rfind(dir.Path() + "/orv", 0), 0u);
    EXPECT_EQ(std::filesystem::file_size(a), 0u);
    EXPECT_TRUE(GetTempFileName(dir / "missing", "x").empty());
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(File, WritesSeeksAndReportsFailures)
{
    testkit::TempDir dir;
    CFile f;
    EXPECT_FALSE(f.Open(dir / "missing/x.wav", CFile::modeCreate | CFile::modeWrite));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(f.Write("x", 1)) << "closed file";

    ASSERT_TRUE(f.Open(dir / "x.wav", CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
    EXPECT_TRUE(f.Write("RIFF....data", 12));
    EXPECT_EQ(f.Seek(4, CFile::begin), 4);
    EXPECT_TRUE(f.Write("1234", 4));
    EXPECT_EQ(f.SeekToEnd(), 12);
    EXPECT_EQ(f.GetLength(), 12);
    f.Close();
    f.Close();
    EXPECT_EQ(testkit::ReadFile(dir / "x.wav"), "RIFF1234data");

    // A full disk makes Write fail instead of losing bytes silently.
    CFile full;
    ASSERT_TRUE(full.Open("/dev/full", CFile::modeWrite));
    EXPECT_FALSE(full.Write("abc", 3));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
}

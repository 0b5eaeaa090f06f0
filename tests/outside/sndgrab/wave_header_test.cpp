#include "files/file.h"
#include "sndgrab.h"
#include "testkit.h"

#include <gtest/gtest.h>

namespace {

std::string Le(DWORD v, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s.push_back(static_cast<char>(v >> (8 * i)));
    return s;
}

TEST(WaveHeader, WritesTheCanonicalHeaderAtTheFilePosition)
{
    struct Case {
        WORD bits, channels;
        DWORD rate, dataBytes;
    };
    for (Case c : {Case{16, 2, 44100, 176400}, Case{8, 1, 22050, 0}, Case{24, 2, 48000, 0xFFFFFF00u}}) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits " << c.channels << " ch " << c.rate << " Hz");
        testkit::TempDir dir;
        CFile file;
        ASSERT_TRUE(file.Open(dir / "a.wav", CFile::modeCreate | CFile::modeReadWrite));
        ASSERT_TRUE(file.Write("PCM!", 4));
        ASSERT_EQ(NWaveRec::WriteWaveHeader(&file, c.bits, c.channels, c.rate, c.dataBytes), 1);
        EXPECT_EQ(file.GetPosition(), 48);
        file.Close();

        const DWORD align = c.channels * c.bits / 8;
        const std::string expected = "PCM!RIFF" + Le(36 + c.dataBytes, 4) + "WAVEfmt " + Le(16, 4) + Le(1, 2) +
                                     Le(c.channels, 2) + Le(c.rate, 4) + Le(align * c.rate, 4) + Le(align, 2) +
                                     Le(c.bits, 2) + "data" + Le(c.dataBytes, 4);
        EXPECT_EQ(testkit::ReadFile(dir / "a.wav"), expected);
    }
}

TEST(WaveHeader, FailsWithoutAWritableFile)
{
    EXPECT_EQ(NWaveRec::WriteWaveHeader(nullptr, 16, 2, 44100, 0), 0);

    testkit::TempDir dir;
    testkit::WriteFile(dir / "ro.wav", "");
    CFile readOnly;
    ASSERT_TRUE(readOnly.Open(dir / "ro.wav", CFile::modeRead));
    EXPECT_EQ(NWaveRec::WriteWaveHeader(&readOnly, 16, 2, 44100, 0), 0);
}

} // namespace

#include "encoders/ogg_encoder.h"
#include "media_check.h"
#include "testkit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Page {
    std::uint8_t flags;
    std::uint32_t serial;
    std::int64_t granule;
};

// The pages of an Ogg file, in order.
std::vector<Page> Pages(const std::string& bytes)
{
    std::vector<Page> pages;
    std::size_t at = 0;
    while (at + 27 <= bytes.size() && bytes.compare(at, 4, "OggS") == 0) {
        Page p{};
        p.flags = static_cast<std::uint8_t>(bytes[at + 5]);
        std::memcpy(&p.granule, bytes.data() + at + 6, 8);
        std::memcpy(&p.serial, bytes.data() + at + 14, 4);
        const std::size_t segments = static_cast<std::uint8_t>(bytes[at + 26]);
        std::size_t body = 0;
        for (std::size_t i = 0; i < segments; ++i)
            body += static_cast<std::uint8_t>(bytes[at + 27 + i]);
        pages.push_back(p);
        at += 27 + segments + body;
    }
    EXPECT_EQ(at, bytes.size()) << "trailing bytes that are no page";
    return pages;
}

// Begin, headers, blocks of one second, Flush, Close: as the engines do.
std::string Encode(const testkit::TempDir& dir, COggEncoder& ogg, const WAVEFORMATEX& format,
                   const std::vector<std::uint8_t>& pcm, int serial = -1)
{
    const std::string path = dir / "out.ogg";
    CFile file;
    EXPECT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeReadWrite));
    EXPECT_EQ(ogg.Begin(&format, serial, 4.0f), 1);
    EXPECT_EQ(ogg.WriteHeaders(&file), 1);
    std::vector<BYTE> out(format.nAvgBytesPerSec);
    for (std::size_t at = 0; at < pcm.size(); at += format.nAvgBytesPerSec) {
        const DWORD n = static_cast<DWORD>(std::min<std::size_t>(format.nAvgBytesPerSec, pcm.size() - at));
        DWORD produced = 0;
        EXPECT_EQ(ogg.Encode(pcm.data() + at, n, out.data(), &produced), 1);
        file.Write(out.data(), produced);
    }
    DWORD produced = 0;
    EXPECT_EQ(ogg.Flush(out.data(), &produced), 1);
    file.Write(out.data(), produced);
    EXPECT_EQ(ogg.Close(), 1);
    return path;
}

TEST(OggEncoder, ToneDecodesAtTheRateAndLayout)
{
    testkit::TempDir dir;
    COggEncoder ogg; // reused, as the engines reuse theirs
    for (WORD channels : {1, 2}) {
        const WAVEFORMATEX format = MakePcmFormat(22050, channels, 16);
        const std::string path = Encode(dir, ogg, format, mediacheck::Sine(22050, channels, 16, 1000, 2.5));
        const mediacheck::StreamInfo info = mediacheck::Probe(path);
        EXPECT_EQ(info.codec, "vorbis");
        EXPECT_EQ(info.rate, 22050);
        EXPECT_EQ(info.channels, channels);
        EXPECT_NEAR(info.duration, 2.5, 0.05);
        EXPECT_GT(mediacheck::ToneShare(mediacheck::DecodeMono(path, 22050), 22050, 1000), 0.9);
        const std::vector<Page> pages = Pages(testkit::ReadFile(path));
        ASSERT_GE(pages.size(), 3u);
        EXPECT_EQ(pages.back().flags & 0x04, 0x04); // end of stream
    }
}

TEST(OggEncoder, NoAudioStillGivesHeaderPagesAndTheClosingPage)
{
    testkit::TempDir dir;
    COggEncoder ogg;
    const std::string path = Encode(dir, ogg, MakePcmFormat(8000, 1, 16), {}, 4242);
    const std::vector<Page> pages = Pages(testkit::ReadFile(path));
    // Identification page (beginning of stream), comment and codebooks, then the end.
    ASSERT_GE(pages.size(), 3u);
    EXPECT_EQ(pages.front().flags & 0x02, 0x02);
    EXPECT_EQ(pages.front().granule, 0);
    EXPECT_EQ(pages.back().flags & 0x04, 0x04);
    for (const Page& p : pages)
        EXPECT_EQ(p.serial, 4242u);
    EXPECT_EQ(mediacheck::Probe(path).codec, "vorbis");
}

TEST(OggEncoder, TimeSeededSerialRepeatsWithinOneSecond)
{
    testkit::TempDir dir;
    COggEncoder a, b;
    std::vector<Page> first, second;
    // Retry across a second boundary; the rule is about starts in one second.
    for (int attempt = 0; attempt < 3; ++attempt) {
        first = Pages(testkit::ReadFile(Encode(dir, a, MakePcmFormat(16000, 1, 16), {})));
        second = Pages(testkit::ReadFile(Encode(dir, b, MakePcmFormat(16000, 1, 16), {})));
        if (first.front().serial == second.front().serial)
            break;
    }
    EXPECT_EQ(first.front().serial, second.front().serial);
}

TEST(OggEncoder, RefusesWhatItCannotEncodeAndClosesSafely)
{
    COggEncoder ogg;
    EXPECT_EQ(ogg.Close(), 0);
    EXPECT_EQ(ogg.WriteHeaders(nullptr), 0);
    BYTE buffer[64] = {};
    DWORD n = 0;
    EXPECT_EQ(ogg.Encode(buffer, sizeof buffer, buffer, &n), 0); // before Begin
    const WAVEFORMATEX three = MakePcmFormat(44100, 3, 16);
    ASSERT_EQ(ogg.Begin(&three, 1, 0.4f), 1);
    CFile closed;
    EXPECT_EQ(ogg.WriteHeaders(&closed), 0);
    EXPECT_EQ(ogg.Encode(buffer, 48, buffer, &n), 0);
    EXPECT_EQ(ogg.Close(), 1);
    EXPECT_EQ(ogg.Close(), 0);
    const WAVEFORMATEX stereo = MakePcmFormat(44100, 2, 16);
    ASSERT_EQ(ogg.Begin(&stereo, 1, 0.4f), 1);
    EXPECT_EQ(ogg.Encode(buffer, 0, buffer, &n), 0); // empty block
}

} // namespace

#include "encoders/mp3_encoder.h"
#include "media_check.h"
#include "testkit.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Encodes pcm in blocks of blockBytes into an .mp3 file as the engines do.
std::string EncodeToFile(const testkit::TempDir& dir, const WAVEFORMATEX& format, const std::vector<std::uint8_t>& pcm,
                         DWORD blockBytes)
{
    CMp3Encoder mp3;
    DWORD chunk = 0, maxOut = 0;
    EXPECT_EQ(mp3.Begin(&format, 128, &chunk, &maxOut), 1);
    EXPECT_EQ(chunk, 1152u * format.nChannels * 2);
    EXPECT_GT(maxOut, 0u);
    std::vector<BYTE> out(4 * static_cast<std::size_t>(maxOut));
    std::string file;
    for (std::size_t at = 0; at < pcm.size(); at += blockBytes) {
        const DWORD n = static_cast<DWORD>(std::min<std::size_t>(blockBytes, pcm.size() - at));
        DWORD produced = 12345;
        EXPECT_EQ(mp3.Encode(pcm.data() + at, n, out.data(), &produced), 1);
        file.append(reinterpret_cast<char*>(out.data()), produced);
    }
    DWORD produced = 0;
    EXPECT_EQ(mp3.Flush(out.data(), &produced), 1);
    file.append(reinterpret_cast<char*>(out.data()), produced);
    EXPECT_EQ(mp3.Close(), 1);
    const std::string path = dir / "out.mp3";
    testkit::WriteFile(path, file);
    return path;
}

TEST(Mp3Encoder, MonoAndStereoStreamsAreConstantBitRateAndHoldTheTone)
{
    testkit::TempDir dir;
    for (WORD channels : {1, 2}) {
        SCOPED_TRACE(channels);
        const WAVEFORMATEX format = MakePcmFormat(44100, channels, 16);
        // One-second blocks as the engines give, and small odd blocks.
        for (DWORD block : {format.nAvgBytesPerSec, 100u * format.nBlockAlign}) {
            const std::string path = EncodeToFile(dir, format, mediacheck::Sine(44100, channels, 16, 1000, 2), block);
            const mediacheck::StreamInfo info = mediacheck::Probe(path);
            EXPECT_EQ(info.codec, "mp3");
            EXPECT_EQ(info.channels, channels);
            EXPECT_EQ(info.rate, 44100);
            EXPECT_EQ(info.bitRate, 128000);
            EXPECT_NEAR(info.duration, 2.0, 0.1);
            EXPECT_GT(mediacheck::ToneShare(mediacheck::DecodeMono(path, 44100), 44100, 1000), 0.9);
            // Constant bit rate: no Xing/Info header in the first frame.
            const std::string bytes = testkit::ReadFile(path);
            EXPECT_EQ(bytes.find("Xing"), std::string::npos);
            EXPECT_EQ(bytes.find("Info"), std::string::npos);
            // Private and original flags set, no CRC (protection bit 1 means none).
            ASSERT_GE(bytes.size(), 4u);
            const auto b1 = static_cast<std::uint8_t>(bytes[1]), b2 = static_cast<std::uint8_t>(bytes[2]),
                       b3 = static_cast<std::uint8_t>(bytes[3]);
            EXPECT_EQ(b1 & 0x01, 0x01);
            EXPECT_EQ(b2 & 0x01, 0x01);
            EXPECT_EQ(b3 & 0x04, 0x04);
            EXPECT_EQ(b3 >> 6, channels == 1 ? 3 : 1); // channel mode: mono or joint stereo
        }
    }
}

TEST(Mp3Encoder, CloseIsHarmlessWithoutBeginTwiceAndAfterAFailedBegin)
{
    CMp3Encoder mp3;
    EXPECT_EQ(mp3.Close(), 0);
    EXPECT_EQ(mp3.Close(), 0);
    BYTE out[16];
    DWORD n = 0;
    EXPECT_EQ(mp3.Encode(out, 0, out, &n), 0);
    EXPECT_EQ(mp3.Flush(out, &n), 0);
    // The library refuses a format without a rate.
    const WAVEFORMATEX odd = MakePcmFormat(0, 2, 16);
    DWORD chunk = 0, maxOut = 0;
    EXPECT_EQ(mp3.Begin(&odd, 128, &chunk, &maxOut), 0);
    EXPECT_EQ(mp3.Encode(out, 4, out, &n), 0);
    EXPECT_EQ(mp3.Close(), 0);
    EXPECT_EQ(mp3.Close(), 0);
    // And the object is usable again.
    const WAVEFORMATEX good = MakePcmFormat(22050, 1, 16);
    EXPECT_EQ(mp3.Begin(&good, 128, &chunk, &maxOut), 1);
    EXPECT_EQ(mp3.Close(), 1);
}

} // namespace

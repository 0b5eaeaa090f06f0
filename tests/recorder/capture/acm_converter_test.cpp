#include "capture/acm_converter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

std::vector<BYTE> Sine16(DWORD rate, WORD channels, double seconds)
{
    const auto frames = static_cast<std::size_t>(rate * seconds);
    std::vector<BYTE> pcm(frames * channels * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(std::lround(16000 * std::sin(2 * M_PI * 1000.0 * i / rate)));
        for (WORD c = 0; c < channels; ++c)
            std::memcpy(&pcm[(i * channels + c) * 2], &v, 2);
    }
    return pcm;
}

// Converts pcm in blocks of blockBytes as the engines do, sizing each
// destination with DestSize.
std::vector<BYTE> ConvertInBlocks(CAcmConverter& acm, const std::vector<BYTE>& pcm, DWORD blockBytes)
{
    std::vector<BYTE> out;
    for (std::size_t at = 0; at < pcm.size(); at += blockBytes) {
        const DWORD n = static_cast<DWORD>(std::min<std::size_t>(blockBytes, pcm.size() - at));
        const int size = acm.DestSize(n);
        EXPECT_GT(size, 0);
        std::vector<BYTE> dst(static_cast<std::size_t>(size));
        const int produced = acm.Convert(pcm.data() + at, dst.data(), n, static_cast<DWORD>(size));
        EXPECT_GE(produced, 0);
        EXPECT_LE(produced, size);
        out.insert(out.end(), dst.begin(), dst.begin() + std::max(produced, 0));
    }
    return out;
}

TEST(AcmConverter, EqualFormatsCopyTheSoundUnchanged)
{
    const WAVEFORMATEX f = MakePcmFormat(44100, 2, 16);
    CAcmConverter acm;
    ASSERT_EQ(acm.Open(&f, &f), 1);
    const std::vector<BYTE> pcm = Sine16(44100, 2, 1.3);
    EXPECT_EQ(ConvertInBlocks(acm, pcm, f.nAvgBytesPerSec), pcm);
}

TEST(AcmConverter, StereoSixteenAt48kToMonoEightAt8k)
{
    WAVEFORMATEX src, dst;
    CAcmConverter::FillPcmFormat(&src, 48000, 16, 2);
    CAcmConverter::FillPcmFormat(&dst, 8000, 8, 1);
    EXPECT_EQ(dst.nBlockAlign, 1);
    EXPECT_EQ(dst.nAvgBytesPerSec, 8000u);
    CAcmConverter acm;
    ASSERT_EQ(acm.Open(&src, &dst), 1);
    const int size = acm.DestSize(src.nAvgBytesPerSec);
    EXPECT_GE(size, 8000);
    EXPECT_LE(size, 8200);
    const std::vector<BYTE> out = ConvertInBlocks(acm, Sine16(48000, 2, 3), src.nAvgBytesPerSec);
    // Three seconds, less what the filter still holds.
    EXPECT_GE(out.size(), 3 * 8000u - 100);
    EXPECT_LE(out.size(), 3 * 8000u);
    // 8-bit output is unsigned around 128, and the tone is there at full level.
    int lo = 255, hi = 0;
    for (std::size_t i = 1000; i < out.size(); ++i) {
        lo = std::min<int>(lo, out[i]);
        hi = std::max<int>(hi, out[i]);
    }
    EXPECT_NEAR((lo + hi) / 2.0, 128, 3);
    EXPECT_NEAR(hi - lo, 2 * 16000 / 256.0, 6);
}

TEST(AcmConverter, BlocksJoinAsOneStream)
{
    // Converting in small blocks must give what converting at once gives:
    // nothing lost or repeated at block edges.
    const WAVEFORMATEX src = MakePcmFormat(44100, 1, 16), dst = MakePcmFormat(48000, 2, 16);
    const std::vector<BYTE> pcm = Sine16(44100, 1, 2);
    CAcmConverter whole, blocks;
    ASSERT_EQ(whole.Open(&src, &dst), 1);
    ASSERT_EQ(blocks.Open(&src, &dst), 1);
    const std::vector<BYTE> a = ConvertInBlocks(whole, pcm, static_cast<DWORD>(pcm.size()));
    const std::vector<BYTE> b = ConvertInBlocks(blocks, pcm, 4410 * 2 + 2 * 7);
    ASSERT_GT(a.size(), 180000u);
    const std::size_t common = std::min(a.size(), b.size());
    EXPECT_GE(common + 200, a.size());
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(common), b.begin()));
}

TEST(AcmConverter, FailuresAndLifeCycle)
{
    CAcmConverter acm;
    BYTE buffer[64] = {};
    EXPECT_EQ(acm.DestSize(100), -1);
    EXPECT_EQ(acm.Convert(buffer, buffer, 4, 64), -1);
    acm.Close(); // nothing open: nothing happens
    const WAVEFORMATEX a = MakePcmFormat(22050, 1, 16), b = MakePcmFormat(44100, 2, 16);
    EXPECT_EQ(acm.Open(nullptr, &a), 0);
    EXPECT_EQ(acm.Open(&a, nullptr), 0);
    // Pairs the converter cannot do.
    const WAVEFORMATEX surround = MakePcmFormat(44100, 6, 16), deep = MakePcmFormat(44100, 2, 24);
    EXPECT_EQ(acm.Open(&a, &surround), 0);
    EXPECT_EQ(acm.Open(&deep, &a), 0);
    WAVEFORMATEX compressed = a;
    compressed.wFormatTag = 0x55;
    EXPECT_EQ(acm.Open(&compressed, &a), 0);
    EXPECT_FALSE(acm.IsOpen());

    ASSERT_EQ(acm.Open(&a, &b), 1);
    // Open while open keeps the stream and its formats.
    EXPECT_EQ(acm.Open(&b, &a), 0);
    ASSERT_NE(acm.GetSourceFormat(), nullptr);
    EXPECT_EQ(*acm.GetSourceFormat(), a);
    EXPECT_EQ(*acm.GetDestFormat(), b);
    EXPECT_GT(acm.DestSize(a.nAvgBytesPerSec), 0);
    acm.Close();
    EXPECT_EQ(acm.GetSourceFormat(), nullptr);
    EXPECT_EQ(acm.DestSize(100), -1);
    acm.Close();
}

} // namespace

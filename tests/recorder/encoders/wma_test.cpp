#include "encoders/prf_man.h"
#include "encoders/wma_codec_list.h"
#include "encoders/wma_writer.h"
#include "media_check.h"
#include "testkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

std::vector<DWORD> Bitrates(WORD channels, DWORD rate)
{
    CWmaWriter writer;
    const WAVEFORMATEX format = MakePcmFormat(rate, channels, 16);
    int count = -1;
    std::unique_ptr<DWORD[]> rates(writer.ListBitrates(&format, &count));
    EXPECT_NE(rates, nullptr);
    return rates ? std::vector<DWORD>(rates.get(), rates.get() + count) : std::vector<DWORD>{};
}

TEST(WmaCodecs, OfferSeveralBitRatesExactlyWhereWmaIsAllowed)
{
    for (DWORD rate : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u}) {
        for (WORD channels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, " << channels << " ch");
            const bool refused = rate == 12000 || rate == 24000 || (rate == 11025 && channels == 2)
                || (rate == 48000 && channels == 1);
            const std::vector<DWORD> rates = Bitrates(channels, rate);
            if (refused)
                EXPECT_TRUE(rates.empty());
            else
                EXPECT_GE(rates.size(), 2u);
        }
    }
}

TEST(WmaCodecs, ListHoldsOnlyWmaFormatsUnderOneCodec)
{
    CWmaCodecList list;
    ASSERT_EQ(list.EnumerateAudio(TRUE, TRUE), 1);
    EXPECT_EQ(list.GetCodecCount(), 1);
    const int count = list.GetFormatCount(0);
    ASSERT_GT(count, 0);
    for (int i = 0; i < count; ++i) {
        const WmaFormatEntry* e = list.FindFormat(0, i);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->Codec, WMA_FORMAT_TAG);
        EXPECT_LE(e->Channel, 2);
        EXPECT_FALSE(e->description.empty());
    }
    EXPECT_EQ(list.FindFormat(0, count), nullptr);
    const WAVEFORMATEX stereo44 = MakePcmFormat(44100, 2, 16);
    EXPECT_EQ(list.CountMatching(&stereo44, WMA_FORMAT_TAG), static_cast<int>(Bitrates(2, 44100).size()));
    EXPECT_NE(list.Dump().find("Codec : 353, Srate : 44100"), std::string::npos);
}

TEST(WmaProfile, NeedsAnExactCodecFormat)
{
    NPrfMan prf;
    IWMProfile* profile = nullptr;
    EXPECT_TRUE(FAILED(prf.CreateProfile(&profile))); // no manager yet
    ASSERT_TRUE(SUCCEEDED(prf.CreateManager()));
    prf.SetAudio(Bitrates(2, 44100).front(), WMA_FORMAT_TAG, 44100, 2);
    ASSERT_TRUE(SUCCEEDED(prf.CreateProfile(&profile)));
    DWORD streams = 0;
    EXPECT_TRUE(SUCCEEDED(profile->GetStreamCount(&streams)));
    EXPECT_EQ(streams, 1u);
    profile->Release();
    profile = nullptr;
    // A bit rate the codec does not list, and a rate it does not have.
    prf.SetAudio(100000, WMA_FORMAT_TAG, 44100, 2);
    EXPECT_TRUE(FAILED(prf.CreateProfile(&profile)));
    prf.SetAudio(Bitrates(2, 44100).front(), WMA_FORMAT_TAG, 44000, 2);
    EXPECT_TRUE(FAILED(prf.CreateProfile(&profile)));
    EXPECT_EQ(profile, nullptr);
}

TEST(WmaWriter, WritesTheToneAtTheHighestBitRate)
{
    testkit::TempDir dir;
    CWmaWriter writer; // reused for both files
    for (WORD channels : {1, 2}) {
        const DWORD rate = 22050;
        const WAVEFORMATEX format = MakePcmFormat(rate, channels, 16);
        const std::vector<DWORD> rates = Bitrates(channels, rate);
        const DWORD highest = *std::max_element(rates.begin(), rates.end());
        const std::string path = dir / ("out" + std::to_string(channels) + ".wma");
        ASSERT_EQ(writer.Begin(path, &format, highest), 1);
        const std::vector<std::uint8_t> pcm = mediacheck::Sine(static_cast<int>(rate), channels, 16, 1000, 3);
        for (std::size_t at = 0; at < pcm.size(); at += format.nAvgBytesPerSec) {
            EXPECT_EQ(writer.GetTimeMs(), at / format.nAvgBytesPerSec * 1000);
            EXPECT_EQ(writer.Write(pcm.data() + at, format.nAvgBytesPerSec), 1);
        }
        EXPECT_EQ(writer.GetTimeMs(), 3000u);
        EXPECT_EQ(writer.End(), 1);
        writer.Close();
        const mediacheck::StreamInfo info = mediacheck::Probe(path);
        EXPECT_EQ(info.codec, "wmav2");
        EXPECT_EQ(info.rate, static_cast<int>(rate));
        EXPECT_EQ(info.channels, channels);
        EXPECT_EQ(info.bitRate, static_cast<long>(highest));
        EXPECT_NEAR(info.duration, 3.0, 0.15);
        EXPECT_GT(mediacheck::ToneShare(mediacheck::DecodeMono(path, static_cast<int>(rate)), static_cast<int>(rate), 1000),
                  0.9);
    }
}

TEST(WmaWriter, FailuresAreResultsAndCloseIsAlwaysSafe)
{
    testkit::TempDir dir;
    CWmaWriter writer;
    writer.Close();
    writer.Close();
    BYTE block[4] = {};
    EXPECT_EQ(writer.Write(block, sizeof block), 0);
    EXPECT_EQ(writer.End(), 0);
    const WAVEFORMATEX format = MakePcmFormat(44100, 2, 16);
    // No codec format at that bit rate; a folder that does not exist.
    EXPECT_EQ(writer.Begin(dir / "a.wma", &format, 12345), 0);
    writer.Close();
    EXPECT_EQ(writer.Begin(dir / "missing/b.wma", &format, Bitrates(2, 44100).front()), 0);
    writer.Close();
    writer.Close();
    // A block written outside Begin/End is rejected.
    EXPECT_EQ(writer.Write(block, sizeof block), 0);
}

} // namespace

#include "recording/format_rules.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    int type, bits, channels, rate;
    const char* message; // null: accepted
};

const Case kCases[] = {
    {OFT_MP3, 8, 2, 44100, "MP3 ファイルの 8 ビットは対応していません。\n設定を変更してください。"},
    {OFT_MP3, 16, 1, 8000, "MP3 ファイルの 8 KHzは対応していません。\n設定を変更してください。"},
    {OFT_MP3, 16, 2, 11025, nullptr},
    {OFT_MP3, 24, 2, 44100, "MP3 ファイルの \n設定を変更してください。"},
    {OFT_WMA, 8, 1, 12000, "WMA ファイルの 8 ビットは対応していません。\n設定を変更してください。"},
    {OFT_WMA, 16, 1, 11025, nullptr},
    {OFT_WMA, 16, 2, 11025, "WMA ファイルの ステレオ、11 KHzは対応していません。\n設定を変更してください。"},
    {OFT_WMA, 16, 1, 12000, "WMA ファイルの 12 KHzは対応していません。\n設定を変更してください。"},
    {OFT_WMA, 16, 2, 24000, "WMA ファイルの 24 KHzは対応していません。\n設定を変更してください。"},
    {OFT_WMA, 16, 2, 48000, nullptr},
    {OFT_WMA, 16, 1, 48000, "WMA ファイルの モノラル、48 KHzは対応していません。\n設定を変更してください。"},
    {OFT_WMA, 32, 2, 44100, "WMA ファイルの \n設定を変更してください。"},
    {OFT_OGG, 16, 1, 8000, nullptr},
    {OFT_OGG, 8, 2, 44100, "OGG ファイルの 8 ビットは対応していません。\n設定を変更してください。"},
    {7, 16, 2, 44100, "の \n設定を変更してください。"},
};

TEST(FormatRules, TableOfRefusalsAndPasses)
{
    for (const Case& c : kCases) {
        std::string message = "untouched";
        BOOL ok = CheckFormatRules(c.type, c.bits, c.channels, c.rate, &message);
        SCOPED_TRACE(testing::Message() << c.type << "/" << c.bits << "/" << c.channels << "/" << c.rate);
        if (c.message) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(message, c.message);
        } else {
            EXPECT_TRUE(ok);
            EXPECT_EQ(message, "untouched");
        }
    }
}

TEST(FormatRules, WavAcceptsEveryCombination)
{
    for (int bits : {8, 16, 24})
        for (int channels : {1, 2})
            for (int rate : {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000})
                EXPECT_TRUE(CheckFormatRules(OFT_WAV, bits, channels, rate));
}

TEST(FormatRules, RecordOverloadReadsTheSettings)
{
    SourceSettings s;
    s.FileType = OFT_WMA;
    s.BitCount = 16;
    s.Channel = 1;
    s.Sample = 48000;
    EXPECT_FALSE(CheckFormatRules(s));
    s.Channel = 2;
    EXPECT_TRUE(CheckFormatRules(s));
}

} // namespace

#include "format_rules.h"

namespace {

constexpr const char* kReason8Bit = "8 ビットは対応していません。";

// Reason of a refusal, or null when the combination passes.  MP3 and WMA
// refuse bit counts other than 8 and 16 with an empty reason.
const char* RefusalReason(int fileType, int bits, int channels, int rate)
{
    switch (fileType) {
    case OFT_WAV:
        return nullptr;
    case OFT_MP3:
        if (bits == 8)
            return kReason8Bit;
        if (bits != 16)
            return "";
        return rate == 8000 ? "8 KHzは対応していません。" : nullptr;
    case OFT_WMA:
        // Checked in this order; the first match gives the reason.
        if (bits == 8)
            return kReason8Bit;
        if (bits != 16)
            return "";
        if (rate == 11025 && channels == 2)
            return "ステレオ、11 KHzは対応していません。";
        if (rate == 12000)
            return "12 KHzは対応していません。";
        if (rate == 24000)
            return "24 KHzは対応していません。";
        if (rate == 48000 && channels == 1)
            return "モノラル、48 KHzは対応していません。";
        return nullptr;
    case OFT_OGG:
        return bits == 8 ? kReason8Bit : nullptr;
    default:
        return "";
    }
}

} // namespace

const char* FormatRefusalReason(int fileType, int bits, int channels, int rate)
{
    return RefusalReason(fileType, bits, channels, rate);
}

std::string FileTypeRuleName(int fileType)
{
    switch (fileType) {
    case OFT_MP3:
        return "MP3 ファイル";
    case OFT_WMA:
        return "WMA ファイル";
    case OFT_OGG:
        return "OGG ファイル";
    default:
        return {};
    }
}

BOOL CheckFormatRules(int fileType, int bits, int channels, int rate, std::string* pMessage)
{
    const char* reason = RefusalReason(fileType, bits, channels, rate);
    if (!reason)
        return TRUE;
    if (pMessage)
        *pMessage = FileTypeRuleName(fileType) + "の " + reason + "\n設定を変更してください。";
    return FALSE;
}

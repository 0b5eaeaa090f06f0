// The combinations of file type, bits, channels and sample rate that the
// recorder refuses, and the words it refuses them with.  The recording form,
// the extraction form and the command line all ask here, so the three never
// disagree.
#pragma once

#include "app/source_settings.h"
#include "core/wintypes.h"

#include <string>

// Name of an output type in refusal messages ("MP3 ファイル"...); empty for
// WAV (never refused) and for unknown types.
std::string FileTypeRuleName(int fileType);

// The reason of a refusal alone ("8 ビットは対応していません。"...), as the
// extraction form shows it after the type's name; null when it passes.
const char* FormatRefusalReason(int fileType, int bits, int channels, int rate);

// TRUE when the combination may be recorded.  On refusal, *pMessage (when
// given) receives the text the user is shown:
// "<type name>の <reason>\n設定を変更してください。".
BOOL CheckFormatRules(int fileType, int bits, int channels, int rate, std::string* pMessage = nullptr);

inline BOOL CheckFormatRules(const SourceSettings& record, std::string* pMessage = nullptr)
{
    return CheckFormatRules(record.FileType, record.BitCount, record.Channel, record.Sample, pMessage);
}

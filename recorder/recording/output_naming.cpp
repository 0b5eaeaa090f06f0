#include "output_naming.h"

#include "app/source_settings.h"

BOOL GetOutputFileInfo(int fileType, OutputFileInfo* info)
{
    switch (fileType) {
    case OFT_WAV: *info = {"WAV ファイル(*.wav)|*.wav||", "wav"}; return TRUE;
    case OFT_MP3: *info = {"MP3 ファイル(*.mp3)|*.mp3||", "mp3"}; return TRUE;
    case OFT_WMA: *info = {"WMA ファイル(*.wma)|*.wma||", "wma"}; return TRUE;
    case OFT_OGG: *info = {"OGG ファイル(*.ogg)|*.ogg||", "ogg"}; return TRUE;
    default: return FALSE;
    }
}

std::string BuildDefaultFileName(std::time_t now, const std::string& extension)
{
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    return std::string(stamp) + "." + extension;
}

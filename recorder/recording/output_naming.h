// What a recording's output type means for its file: the save dialog's
// filter, the extension, and the default name from the local time.
#pragma once

#include "core/wintypes.h"

#include <ctime>
#include <string>

struct OutputFileInfo {
    const char* filter;    // "WAV ファイル(*.wav)|*.wav||"
    const char* extension; // without its dot
};

// FALSE for a type outside OFT_WAV..OFT_OGG.
BOOL GetOutputFileInfo(int fileType, OutputFileInfo* info);

// "%Y%m%d-%H%M%S" of the local time at now, then "." and the extension.
// Never a folder: the save dialog decides where.
std::string BuildDefaultFileName(std::time_t now, const std::string& extension);

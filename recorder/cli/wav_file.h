// Reading PCM WAV files for the command line (writing uses the capture
// library's header, as recordings do).
#pragma once

#include "core/waveformat.h"
#include "files/file.h"

#include <string>

// Opens a RIFF/WAVE file, checks that it holds PCM (8 or 16 bits, 1 or 2
// channels) and leaves the file at the start of its sound.  On failure
// *pError tells why, in words for the user.
struct WavInput {
    CFile file;
    WAVEFORMATEX format{};
    DWORD dataBytes = 0;
};
bool OpenWavInput(const std::string& path, WavInput* pInput, std::string* pError);

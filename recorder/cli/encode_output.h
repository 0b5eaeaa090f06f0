// Where `qxrec encode` puts its converted PCM: a WAV file, or one of the
// recorder's encoders with the life cycle the recording engine gives it
// (Begin, a block at a time, Flush/End, Close).
#pragma once

#include "core/waveformat.h"

#include <memory>
#include <string>

class EncodeOutput {
public:
    virtual ~EncodeOutput() = default;
    // Creates the file and starts the encoder; false with *pError on failure.
    virtual bool Begin(const std::string& path, const WAVEFORMATEX& format, std::string* pError) = 0;
    // One block of PCM in the output format; false when it could not be written.
    virtual bool Put(const BYTE* pData, DWORD byteCount) = 0;
    // Finishes the file; false when any part of it could not be written.
    virtual bool Finish() = 0;
};

// For an OutputFileType; null for an unknown one.
std::unique_ptr<EncodeOutput> MakeEncodeOutput(int outputType);

// The recording settings of one source, the three sources and the four
// output types.  The numbers are stored in the registry and select the
// writer in both engines, so they never change.
#pragma once

#include <string>

enum SourceKind : int {
    SRC_PCSOUND = 0, // what the PC plays
    SRC_MIC = 1,     // microphone
    SRC_USER = 2,    // user-defined line
};
constexpr int SOURCE_KIND_COUNT = 3;

enum OutputFileType : int {
    OFT_WAV = 0,
    OFT_MP3 = 1,
    OFT_WMA = 2,
    OFT_OGG = 3,
};

// Field names are the registry value names; defaults are the registry defaults.
struct SourceSettings {
    std::string DevName;
    int DevIndex = 0;
    std::string LineName;
    int CtrlIndex = 0;
    int CtrlValue = 0;
    int BitCount = 16;
    int Channel = 2;
    int Sample = 44100;
    int FileType = OFT_MP3;
    int VistaDevIndex = 0;
};

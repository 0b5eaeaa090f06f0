// Shared by the extraction tests: Pcmtap registered in a private registry,
// videos made by ffmpeg, and comparisons of an output with ffmpeg's own
// decode of the source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace extractkit {

// Registers Pcmtap (with regsvr) in a registry file of the test program's own.
void RegisterDumpFilter();
// Takes the registration away again (regsvr -u), for a machine without it.
void UnregisterDumpFilter();

struct VideoSpec {
    const char* name;
    const char* extension;     // ".avi", ".wmv"
    const char* videoCodec;    // "mpeg4", "wmv2"; null: no video at all
    std::vector<std::string> audioArgs;
    int rate = 44100;
    int channels = 2;          // 1, 2 or 6
    double videoSeconds = 3;
    double audioSeconds = 3;
    int audioStreams = 1;      // more: further mono tone streams after the first
};
// Makes the video; false when ffmpeg failed.
bool MakeVideo(const VideoSpec& spec, const std::string& path);

// A file decoded by ffmpeg to mono 16-bit at `rate`.
std::vector<std::int16_t> Decode(const std::string& path, int rate);

// Largest normalised correlation between b and a window from the middle of
// a, over lags of up to maxLag samples either way.
double BestCorrelation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, int maxLag);

} // namespace extractkit

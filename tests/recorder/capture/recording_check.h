// Checks of recorded files shared by the engine and command-line tests: the
// WAV header as written, and a tone test that a gap in playback on a busy
// machine does not spoil.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace recordingcheck {

struct WavHeader {
    bool valid = false; // RIFF/WAVE, 16-byte fmt chunk, data chunk at 36
    std::uint32_t riffSize = 0;
    int tag = 0, channels = 0, bits = 0, blockAlign = 0;
    std::uint32_t rate = 0, byteRate = 0, dataBytes = 0;
    std::uint64_t fileBytes = 0;
};
WavHeader ReadWavHeader(const std::string& path);

// The median over 50 ms windows of the share of each window's energy at
// freq; windows of silence are left out.  0 when all are silent.
double MedianToneShare(const std::vector<std::int16_t>& samples, int rate, double freq);

// Polls until done() or the limit passes; the sound server's null output
// takes about 2 s to deliver its first sound.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20));

} // namespace recordingcheck

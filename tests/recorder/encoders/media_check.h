// Checks of what the encoders wrote, by the real decoders (ffprobe, ffmpeg),
// and a tone generator, for the encoder and command-line tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mediacheck {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
// Runs a program (no shell), collecting its output.
RunResult Run(const std::vector<std::string>& argv);

struct StreamInfo {
    std::string codec;
    int rate = 0;
    int channels = 0;
    long bitRate = 0;
    double duration = 0;
};
// First audio stream of a file as ffprobe sees it; codec empty when none.
StreamInfo Probe(const std::string& path);

// The file decoded by ffmpeg to mono 16-bit at the given rate.
std::vector<std::int16_t> DecodeMono(const std::string& path, int rate);

// Share of the signal's energy at freq (0..1), by a Goertzel filter.
double ToneShare(const std::vector<std::int16_t>& samples, int rate, double freq);

// Interleaved 16-bit sine (amplitude 0.5) of every channel; 8-bit when bits is 8.
std::vector<std::uint8_t> Sine(int rate, int channels, int bits, double freq, double seconds);

// A canonical PCM WAV file.
void WriteWav(const std::string& path, int rate, int channels, int bits, const std::vector<std::uint8_t>& pcm);

} // namespace mediacheck

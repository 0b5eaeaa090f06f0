// Quality and speed of the PCM converter: a 1 kHz sine converted between
// rates (16-bit output), its signal-to-noise ratio against an ideal sine
// fitted to the output, and the conversion speed in times real time.
// Run by hand: build/benchmarks/converter_quality

#include "capture/acm_converter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::vector<BYTE> Sine(const WAVEFORMATEX& f, double seconds)
{
    const auto frames = static_cast<std::size_t>(f.nSamplesPerSec * seconds);
    std::vector<BYTE> pcm(frames * f.nBlockAlign);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(std::lround(29000 * std::sin(2 * M_PI * 1000.0 * i / f.nSamplesPerSec)));
        for (int c = 0; c < f.nChannels; ++c)
            std::memcpy(&pcm[(i * f.nChannels + c) * 2], &v, 2);
    }
    return pcm;
}

// SNR in dB of the first channel against the least-squares 1 kHz sine,
// leaving out the filter's start.
double SnrDb(const std::vector<BYTE>& pcm, const WAVEFORMATEX& f)
{
    std::vector<double> x;
    for (std::size_t i = 0; i + 1 < pcm.size(); i += f.nBlockAlign) {
        std::int16_t v;
        std::memcpy(&v, &pcm[i], 2);
        x.push_back(v);
    }
    const std::size_t skip = f.nSamplesPerSec / 10;
    double ss = 0, sc = 0, cc = 0, xs = 0, xc = 0;
    for (std::size_t i = skip; i < x.size(); ++i) {
        const double w = 2 * M_PI * 1000.0 * static_cast<double>(i) / f.nSamplesPerSec;
        const double s = std::sin(w), c = std::cos(w);
        ss += s * s, sc += s * c, cc += c * c, xs += x[i] * s, xc += x[i] * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (xs * cc - xc * sc) / det, b = (xc * ss - xs * sc) / det;
    double signal = 0, noise = 0;
    for (std::size_t i = skip; i < x.size(); ++i) {
        const double w = 2 * M_PI * 1000.0 * static_cast<double>(i) / f.nSamplesPerSec;
        const double fit = a * std::sin(w) + b * std::cos(w);
        signal += fit * fit;
        noise += (x[i] - fit) * (x[i] - fit);
    }
    return 10 * std::log10(signal / noise);
}

void Measure(DWORD from, DWORD to, WORD channels)
{
    const WAVEFORMATEX src = MakePcmFormat(from, channels, 16), dst = MakePcmFormat(to, channels, 16);
    const double seconds = 30;
    const std::vector<BYTE> in = Sine(src, seconds);
    CAcmConverter acm;
    if (!acm.Open(&src, &dst)) {
        std::printf("%u -> %u: cannot open\n", from, to);
        return;
    }
    std::vector<BYTE> out, block(static_cast<std::size_t>(acm.DestSize(src.nAvgBytesPerSec)));
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < in.size(); at += src.nAvgBytesPerSec) {
        const DWORD n = static_cast<DWORD>(std::min<std::size_t>(src.nAvgBytesPerSec, in.size() - at));
        const int produced = acm.Convert(in.data() + at, block.data(), n, static_cast<DWORD>(acm.DestSize(n)));
        out.insert(out.end(), block.begin(), block.begin() + std::max(produced, 0));
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%5u -> %5u Hz %s: SNR %6.1f dB   %8.0f x real time\n", from, to, channels == 1 ? "mono  " : "stereo",
                SnrDb(out, dst), seconds / elapsed);
}

} // namespace

int main()
{
    Measure(44100, 48000, 2);
    Measure(48000, 22050, 2);
    Measure(44100, 48000, 1);
    Measure(48000, 22050, 1);
    return 0;
}

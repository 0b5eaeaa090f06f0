#include "recording_check.h"

#include "media_check.h"
#include "testkit.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace recordingcheck {

namespace {

std::uint32_t Le(const std::string& s, std::size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

} // namespace

WavHeader ReadWavHeader(const std::string& path)
{
    const std::string s = testkit::ReadFile(path);
    WavHeader h;
    h.fileBytes = s.size();
    if (s.size() < 44)
        return h;
    h.valid = s.compare(0, 4, "RIFF") == 0 && s.compare(8, 8, "WAVEfmt ") == 0 && Le(s, 16, 4) == 16 &&
              s.compare(36, 4, "data") == 0;
    h.riffSize = Le(s, 4, 4);
    h.tag = static_cast<int>(Le(s, 20, 2));
    h.channels = static_cast<int>(Le(s, 22, 2));
    h.rate = Le(s, 24, 4);
    h.byteRate = Le(s, 28, 4);
    h.blockAlign = static_cast<int>(Le(s, 32, 2));
    h.bits = static_cast<int>(Le(s, 34, 2));
    h.dataBytes = Le(s, 40, 4);
    return h;
}

double MedianToneShare(const std::vector<std::int16_t>& samples, int rate, double freq)
{
    const std::size_t window = static_cast<std::size_t>(rate / 20);
    std::vector<double> shares;
    for (std::size_t at = 0; window && at + window <= samples.size(); at += window) {
        const std::vector<std::int16_t> part(samples.begin() + static_cast<long>(at),
                                             samples.begin() + static_cast<long>(at + window));
        double energy = 0;
        for (std::int16_t v : part)
            energy += static_cast<double>(v) * v;
        if (std::sqrt(energy / window) > 300) // about -40 dB
            shares.push_back(mediacheck::ToneShare(part, rate, freq));
    }
    if (shares.empty())
        return 0;
    std::nth_element(shares.begin(), shares.begin() + static_cast<long>(shares.size() / 2), shares.end());
    return shares[shares.size() / 2];
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace recordingcheck

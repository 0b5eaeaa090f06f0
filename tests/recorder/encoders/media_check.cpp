#include "media_check.h"

#include "testkit.h"

#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace mediacheck {

RunResult Run(const std::vector<std::string>& argv)
{
    testkit::TempDir dir;
    const std::string outPath = dir / "out", errPath = dir / "err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    RunResult r;
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    r.out = testkit::ReadFile(outPath);
    r.err = testkit::ReadFile(errPath);
    return r;
}

StreamInfo Probe(const std::string& path)
{
    RunResult r = Run({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                       "stream=codec_name,sample_rate,channels,bit_rate:format=duration", "-of",
                       "default=noprint_wrappers=1", path});
    StreamInfo info;
    std::istringstream lines(r.out);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "codec_name")
            info.codec = value;
        else if (key == "sample_rate")
            info.rate = std::atoi(value.c_str());
        else if (key == "channels")
            info.channels = std::atoi(value.c_str());
        else if (key == "bit_rate")
            info.bitRate = std::atol(value.c_str());
        else if (key == "duration")
            info.duration = std::atof(value.c_str());
    }
    return info;
}

std::vector<std::int16_t> DecodeMono(const std::string& path, int rate)
{
    testkit::TempDir dir;
    const std::string raw = dir / "decoded.raw";
    Run({"ffmpeg", "-v", "error", "-y", "-i", path, "-ac", "1", "-ar", std::to_string(rate), "-f", "s16le", raw});
    const std::string bytes = testkit::ReadFile(raw);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

double ToneShare(const std::vector<std::int16_t>& samples, int rate, double freq)
{
    if (samples.empty())
        return 0;
    const double w = 2 * M_PI * freq / rate;
    const double coeff = 2 * std::cos(w);
    double s1 = 0, s2 = 0, energy = 0;
    for (std::int16_t v : samples) {
        const double s0 = v + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
        energy += static_cast<double>(v) * v;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2; // |X(f)|^2
    return energy > 0 ? 2 * power / (samples.size() * energy) : 0;
}

std::vector<std::uint8_t> Sine(int rate, int channels, int bits, double freq, double seconds)
{
    const int frames = static_cast<int>(rate * seconds);
    std::vector<std::uint8_t> pcm;
    pcm.reserve(static_cast<std::size_t>(frames) * channels * bits / 8);
    for (int i = 0; i < frames; ++i) {
        const double v = 0.5 * std::sin(2 * M_PI * freq * i / rate);
        for (int c = 0; c < channels; ++c) {
            if (bits == 8) {
                pcm.push_back(static_cast<std::uint8_t>(std::lround(128 + 127 * v)));
            } else {
                const auto s = static_cast<std::int16_t>(std::lround(32767 * v));
                pcm.push_back(static_cast<std::uint8_t>(s & 0xFF));
                pcm.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
            }
        }
    }
    return pcm;
}

void WriteWav(const std::string& path, int rate, int channels, int bits, const std::vector<std::uint8_t>& pcm)
{
    auto le = [](std::string& s, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    const std::uint32_t align = static_cast<std::uint32_t>(channels * bits / 8);
    std::string h = "RIFF";
    le(h, static_cast<std::uint32_t>(36 + pcm.size()), 4);
    h += "WAVEfmt ";
    le(h, 16, 4);
    le(h, 1, 2);
    le(h, static_cast<std::uint32_t>(channels), 2);
    le(h, static_cast<std::uint32_t>(rate), 4);
    le(h, align * static_cast<std::uint32_t>(rate), 4);
    le(h, align, 2);
    le(h, static_cast<std::uint32_t>(bits), 2);
    h += "data";
    le(h, static_cast<std::uint32_t>(pcm.size()), 4);
    h.append(reinterpret_cast<const char*>(pcm.data()), pcm.size());
    testkit::WriteFile(path, h);
}

} // namespace mediacheck

#include "extraction_kit.h"

#include "media_check.h"
#include "testkit.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

namespace extractkit {

void RegisterDumpFilter()
{
    static testkit::TempDir dir;
    ::setenv("QX_REGISTRY", (dir / "registry.reg").c_str(), 1);
    ASSERT_EQ(mediacheck::Run({QX_BIN_DIR "/regsvr", PCMTAP_LIBRARY}).exitCode, 0);
}

void UnregisterDumpFilter()
{
    ASSERT_EQ(mediacheck::Run({QX_BIN_DIR "/regsvr", "-u", PCMTAP_LIBRARY}).exitCode, 0);
}

namespace {
// Sweeps, so that a shifted or truncated copy correlates badly.
std::string Expression(int channels)
{
    std::string e;
    for (int c = 0; c < channels; ++c) {
        char part[96];
        std::snprintf(part, sizeof part, "%s%.1f*sin(2*PI*(%d+%d*t)*t)", c ? "|" : "", 0.4 - 0.05 * c, 220 + 110 * c, 180 - 20 * c);
        e += part;
    }
    return e;
}
} // namespace

bool MakeVideo(const VideoSpec& spec, const std::string& path)
{
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-y", "-loglevel", "error"};
    int input = 0;
    if (spec.videoCodec) {
        args.insert(args.end(), {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=15:duration=" + std::to_string(spec.videoSeconds)});
        ++input;
    }
    char audio[256];
    std::snprintf(audio, sizeof audio, "aevalsrc=%s:s=%d:d=%g", Expression(spec.channels).c_str(), spec.rate, spec.audioSeconds);
    args.insert(args.end(), {"-f", "lavfi", "-i", audio});
    for (int s = 1; s < spec.audioStreams; ++s)
        args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=1000:sample_rate=" + std::to_string(spec.rate) + ":duration=" + std::to_string(spec.audioSeconds)});
    for (int i = 0; i < input + spec.audioStreams; ++i)
        args.insert(args.end(), {"-map", std::to_string(i)});
    if (spec.videoCodec)
        args.insert(args.end(), {"-c:v", spec.videoCodec});
    args.insert(args.end(), spec.audioArgs.begin(), spec.audioArgs.end());
    args.push_back(path);
    const mediacheck::RunResult r = mediacheck::Run(args);
    if (r.exitCode != 0)
        std::fprintf(stderr, "ffmpeg: %s\n", r.err.c_str());
    return r.exitCode == 0;
}

std::vector<std::int16_t> Decode(const std::string& path, int rate)
{
    return mediacheck::DecodeMono(path, rate);
}

double BestCorrelation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, int maxLag)
{
    const std::size_t window = std::min<std::size_t>(a.size() / 2, 4000);
    const std::size_t start = (a.size() - window) / 2;
    double best = 0;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        const long from = static_cast<long>(start) + lag;
        if (from < 0 || static_cast<std::size_t>(from) + window > b.size())
            continue;
        double ab = 0, aa = 0, bb = 0;
        for (std::size_t i = 0; i < window; ++i) {
            const double x = a[start + i], y = b[static_cast<std::size_t>(from) + i];
            ab += x * y;
            aa += x * x;
            bb += y * y;
        }
        if (aa > 0 && bb > 0)
            best = std::max(best, ab / std::sqrt(aa * bb));
    }
    return best;
}

} // namespace extractkit

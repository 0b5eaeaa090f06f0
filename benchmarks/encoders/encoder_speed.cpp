// Encoding speed of the recorder's encoders beside the reference programs
// (lame, oggenc, ffmpeg's wmav2) on the same input in the same run.
// Prints times real time (higher is faster) and our share of the
// reference's speed.  Run by hand: build/benchmarks/encoder_speed [SECONDS]

#include "encoders/mp3_encoder.h"
#include "encoders/ogg_encoder.h"
#include "encoders/wma_writer.h"
#include "files/file.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<bool()>& work)
{
    const auto start = Clock::now();
    if (!work())
        return -1;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool RunQuiet(std::vector<std::string> argv)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 1, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 1, 0);
    std::vector<char*> args;
    for (auto& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    int status = 1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0)
        waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return status == 0;
}

// Something like music: a few moving tones and a little noise.
std::vector<BYTE> MakeSound(const WAVEFORMATEX& f, int seconds)
{
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 0.02);
    const std::size_t frames = static_cast<std::size_t>(f.nSamplesPerSec) * seconds;
    std::vector<BYTE> pcm(frames * f.nBlockAlign);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / f.nSamplesPerSec;
        for (int c = 0; c < f.nChannels; ++c) {
            double v = 0.25 * std::sin(2 * M_PI * (220 + 30 * std::sin(t)) * t + c)
                + 0.15 * std::sin(2 * M_PI * 1330 * t) * std::sin(2 * M_PI * 0.5 * t)
                + 0.1 * std::sin(2 * M_PI * 5100 * t + c) + noise(rng);
            const auto s = static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767));
            pcm[(i * f.nChannels + c) * 2] = static_cast<BYTE>(s & 0xFF);
            pcm[(i * f.nChannels + c) * 2 + 1] = static_cast<BYTE>((s >> 8) & 0xFF);
        }
    }
    return pcm;
}

bool WriteWav(const std::string& path, const WAVEFORMATEX& f, const std::vector<BYTE>& pcm)
{
    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite))
        return false;
    auto put = [&](const void* p, UINT n) { return file.Write(p, n); };
    const DWORD size = static_cast<DWORD>(pcm.size()), riff = size + 36, fmtSize = 16;
    const WORD tag = 1;
    return put("RIFF", 4) && put(&riff, 4) && put("WAVEfmt ", 8) && put(&fmtSize, 4) && put(&tag, 2)
        && put(&f.nChannels, 2) && put(&f.nSamplesPerSec, 4) && put(&f.nAvgBytesPerSec, 4) && put(&f.nBlockAlign, 2)
        && put(&f.wBitsPerSample, 2) && put("data", 4) && put(&size, 4) && put(pcm.data(), size);
}

// The engines' way: one-second blocks, output written to a file.
bool OurMp3(const WAVEFORMATEX& f, const std::vector<BYTE>& pcm, const std::string& path)
{
    CMp3Encoder mp3;
    CFile file;
    DWORD chunk = 0, maxOut = 0;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite) || !mp3.Begin(&f, 128, &chunk, &maxOut))
        return false;
    std::vector<BYTE> out(4 * static_cast<std::size_t>(maxOut));
    for (std::size_t at = 0; at < pcm.size(); at += f.nAvgBytesPerSec) {
        DWORD n = 0;
        if (!mp3.Encode(pcm.data() + at, f.nAvgBytesPerSec, out.data(), &n) || !file.Write(out.data(), n))
            return false;
    }
    DWORD n = 0;
    return mp3.Flush(out.data(), &n) && file.Write(out.data(), n) && mp3.Close();
}

bool OurOgg(const WAVEFORMATEX& f, const std::vector<BYTE>& pcm, const std::string& path)
{
    COggEncoder ogg;
    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite) || !ogg.Begin(&f, -1, 4.0f) || !ogg.WriteHeaders(&file))
        return false;
    std::vector<BYTE> out(f.nAvgBytesPerSec);
    for (std::size_t at = 0; at < pcm.size(); at += f.nAvgBytesPerSec) {
        DWORD n = 0;
        if (!ogg.Encode(pcm.data() + at, f.nAvgBytesPerSec, out.data(), &n) || !file.Write(out.data(), n))
            return false;
    }
    DWORD n = 0;
    return ogg.Flush(out.data(), &n) && file.Write(out.data(), n) && ogg.Close();
}

bool OurWma(const WAVEFORMATEX& f, const std::vector<BYTE>& pcm, const std::string& path, DWORD bitrate)
{
    CWmaWriter wma;
    if (!wma.Begin(path, &f, bitrate))
        return false;
    for (std::size_t at = 0; at < pcm.size(); at += f.nAvgBytesPerSec)
        if (!wma.Write(pcm.data() + at, f.nAvgBytesPerSec))
            return false;
    const bool ok = wma.End();
    wma.Close();
    return ok;
}

void Report(const char* name, double seconds, double ours, const char* reference, double theirs)
{
    std::printf("%-5s ours %7.1f x real time (%.2f s)   %-22s %7.1f x real time (%.2f s)   ours/theirs %.2f\n", name,
                seconds / ours, ours, reference, seconds / theirs, theirs, theirs / ours);
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const WAVEFORMATEX f = MakePcmFormat(44100, 2, 16);
    char folder[] = "/tmp/qxbench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string dir = folder;
    const std::string wav = dir + "/in.wav";
    const std::vector<BYTE> pcm = MakeSound(f, seconds);
    if (!WriteWav(wav, f, pcm))
        return 1;
    std::printf("input: %d s of 44100 Hz 16-bit stereo\n", seconds);

    int count = 0;
    CWmaWriter lister;
    DWORD* rates = lister.ListBitrates(&f, &count);
    DWORD wmaRate = 0;
    for (int i = 0; i < count; ++i)
        wmaRate = std::max(wmaRate, rates[i]);
    delete[] rates;

    // Reference programs read the same WAV file; ours take the same PCM from
    // memory (the recorder's encoders are fed from memory too).
    Report("mp3", seconds, Seconds([&] { return OurMp3(f, pcm, dir + "/ours.mp3"); }), "lame -b 128 --cbr",
           Seconds([&] { return RunQuiet({"lame", "--quiet", "-b", "128", "--cbr", "-m", "j", wav, dir + "/lame.mp3"}); }));
    // Quality 4.0 is libvorbis's highest: oggenc -q 10.
    Report("ogg", seconds, Seconds([&] { return OurOgg(f, pcm, dir + "/ours.ogg"); }), "oggenc -q 10",
           Seconds([&] { return RunQuiet({"oggenc", "-Q", "-q", "10", "-o", dir + "/oggenc.ogg", wav}); }));
    const std::string kbps = std::to_string(wmaRate / 1000) + "k";
    Report("wma", seconds, Seconds([&] { return OurWma(f, pcm, dir + "/ours.wma", wmaRate); }),
           ("ffmpeg wmav2 " + kbps).c_str(),
           Seconds([&] {
               return RunQuiet({"ffmpeg", "-v", "error", "-y", "-i", wav, "-c:a", "wmav2", "-b:a", kbps, dir + "/ff.wma"});
           }));
    for (const char* name : {"in.wav", "ours.mp3", "lame.mp3", "ours.ogg", "oggenc.ogg", "ours.wma", "ff.wma"})
        std::remove((dir + "/" + name).c_str());
    rmdir(folder);
    return 0;
}

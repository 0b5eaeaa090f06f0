// Prints, in one run on one machine:
//   - the time `qxrec extract` takes to pull a 10-minute video's sound into
//     MP3 at 128 kbit/s and into WAV in the source format, next to
//     `ffmpeg -i VIDEO -vn -c:a libmp3lame -b:a 128k` and `ffmpeg -i VIDEO -vn OUT.wav`;
//   - the peak memory of `qxrec extract` for a 1-minute and a 30-minute film.
//
// Usage: extraction_bench   (the videos are made in a temporary folder first)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Outcome {
    int exitCode = -1;
    double seconds = 0;
    long peakKb = 0;
};

// Runs a program with its output thrown away; wall time and peak memory.
Outcome Measure(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Outcome o;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        o.peakKb = usage.ru_maxrss;
    }
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    return o;
}

bool MakeVideo(const std::string& path, int seconds)
{
    const std::string d = std::to_string(seconds);
    return Measure({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "lavfi", "-i",
                    "testsrc=size=320x240:rate=25:duration=" + d, "-f", "lavfi", "-i",
                    "aevalsrc=0.5*sin(440*2*PI*t)|0.3*sin(660*2*PI*t):s=44100:d=" + d, "-c:v", "mpeg4", "-q:v", "5",
                    "-c:a", "libmp3lame", "-b:a", "192k", path})
               .exitCode == 0;
}

void Compare(const char* what, const Outcome& ours, const Outcome& theirs, double target)
{
    std::printf("%-22s qxrec %7.2f s (exit %d)   ffmpeg %7.2f s (exit %d)   ratio %.2f (target <= %.2f)\n", what,
                ours.seconds, ours.exitCode, theirs.seconds, theirs.exitCode, ours.seconds / theirs.seconds, target);
}

} // namespace

int main()
{
    const std::string bin = QX_BIN_DIR;
    const std::string qxrec = bin + "/qxrec";
    const std::string work = std::filesystem::temp_directory_path() / ("extraction_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(work);
    ::setenv("QX_REGISTRY", (work + "/registry.reg").c_str(), 1);
    const std::string libraryPath = std::getenv("LD_LIBRARY_PATH") ? bin + ":" + std::getenv("LD_LIBRARY_PATH") : bin;
    ::setenv("LD_LIBRARY_PATH", libraryPath.c_str(), 1);
    if (Measure({bin + "/regsvr", bin + "/libPcmtap.so"}).exitCode != 0) {
        std::fprintf(stderr, "cannot register the dump filter\n");
        return 1;
    }
    const std::string ten = work + "/ten.avi", one = work + "/one.avi", thirty = work + "/thirty.avi";
    std::printf("making the videos (MPEG-4 320x240, MP3 44.1 kHz stereo): 10, 1 and 30 minutes...\n");
    std::fflush(stdout);
    if (!MakeVideo(ten, 600) || !MakeVideo(one, 60) || !MakeVideo(thirty, 1800)) {
        std::fprintf(stderr, "ffmpeg could not make the videos\n");
        return 1;
    }

    const Outcome mp3 = Measure({qxrec, "extract", ten, work + "/ours.mp3"});
    const Outcome ffMp3 = Measure({"ffmpeg", "-nostdin", "-y", "-i", ten, "-vn", "-c:a", "libmp3lame", "-b:a", "128k", work + "/theirs.mp3"});
    const Outcome wav = Measure({qxrec, "extract", ten, work + "/ours.wav"});
    const Outcome ffWav = Measure({"ffmpeg", "-nostdin", "-y", "-i", ten, "-vn", work + "/theirs.wav"});
    Compare("10 min to MP3 128k:", mp3, ffMp3, 1.15);
    Compare("10 min to WAV:", wav, ffWav, 1.5);

    const Outcome shortFilm = Measure({qxrec, "extract", one, work + "/one.mp3"});
    const Outcome longFilm = Measure({qxrec, "extract", thirty, work + "/thirty.mp3"});
    std::printf("peak memory, MP3:      1 min %.1f MB (exit %d)   30 min %.1f MB (exit %d)   difference %.1f MB (target <= 10)\n",
                shortFilm.peakKb / 1024.0, shortFilm.exitCode, longFilm.peakKb / 1024.0, longFilm.exitCode,
                (longFilm.peakKb - shortFilm.peakKb) / 1024.0);
    std::filesystem::remove_all(work);
    return 0;
}

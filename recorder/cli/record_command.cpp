// qxrec record OUT [--device N] [--seconds S] [--type ...] [--rate HZ]
// [--channels N] [--bits N]: records the default capture device (what the PC
// plays) or device N through the recording engine, under the recorder's
// format rules, until S seconds are recorded or the user stops it: Ctrl+C
// (or SIGTERM), or Enter when standard input is a terminal, where `p` and
// Enter pause and resume.  Standard input that is no terminal is not read,
// so a recording started by a script is not ended by its input.  Every way
// of stopping finishes the file.

#include "capture/sound_recorder.h"
#include "commands.h"
#include "format_options.h"
#include "recording/format_rules.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

constexpr int kPollMs = 50;

int UsageError(const std::string& message)
{
    std::fprintf(stderr,
                 "qxrec record: %s\nusage: qxrec record OUT [--device N] [--seconds S] [--type wav|mp3|wma|ogg] "
                 "[--rate HZ] [--channels N] [--bits N]\n",
                 message.c_str());
    return 2;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "qxrec record: %s\n", message.c_str());
    return 1;
}

volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int)
{
    g_stopSignal = 1;
}

// The engine's progress posts, noted for the loop that shows the time.
class ProgressFlag : public IMessageTarget {
public:
    BOOL PostMessage(UINT message, WPARAM, LPARAM) override
    {
        if (message == WM_REC_PROGRESS)
            m_changed = true;
        return TRUE;
    }
    bool Take() { return m_changed.exchange(false); }

private:
    std::atomic<bool> m_changed{false};
};

void ShowElapsed(DWORD ms, bool paused)
{
    const long total = static_cast<long>(ms);
    std::fprintf(stderr, "\r%02ld : %02ld : %02ld.%03ld%s", total / 3600000, total / 60000 % 60, total / 1000 % 60,
                 total % 1000, paused ? "  (paused)" : "          ");
    std::fflush(stderr);
}

// Lines typed on the terminal: "p" toggles the pause, an empty line stops.
// Returns false once the recording is to stop.
bool TakeTerminalInput(CSoundRecorder& recorder, std::string& pending)
{
    pollfd in{STDIN_FILENO, POLLIN, 0};
    if (poll(&in, 1, 0) <= 0)
        return true;
    char buffer[256];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0)
        return false; // the terminal went away
    pending.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (line.empty())
            return false;
        if (line == "p")
            recorder.Pause(!recorder.IsPaused());
    }
    return true;
}

bool ParseDevice(const char* text, int* pDevice)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < -1 || v > 1000)
        return false;
    *pDevice = static_cast<int>(v);
    return true;
}

bool ParseSeconds(const char* text, double* pSeconds)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (!*text || *end || !(v > 0) || v > 4000000) // the elapsed count holds about 49 days
        return false;
    *pSeconds = v;
    return true;
}

} // namespace

int RunRecord(int argc, char** argv)
{
    std::string outPath;
    FormatOptions options;
    int device = -1;
    double seconds = 0;
    for (int i = 0; i < argc;) {
        const std::string arg = argv[i];
        std::string error;
        if (TakeFormatOption(argc, argv, &i, &options, &error)) {
            if (!error.empty())
                return UsageError(error);
        } else if (arg == "--device" || arg == "--seconds") {
            if (i + 1 >= argc)
                return UsageError(arg + " needs a value");
            const char* value = argv[i + 1];
            i += 2;
            if (arg == "--device" && !ParseDevice(value, &device))
                return UsageError(std::string("bad device '") + value + "'");
            if (arg == "--seconds" && !ParseSeconds(value, &seconds))
                return UsageError(std::string("bad number of seconds '") + value + "'");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option " + arg);
        } else if (outPath.empty()) {
            outPath = argv[i++];
        } else {
            return UsageError("only one output file is taken");
        }
    }
    if (outPath.empty())
        return UsageError("an output file is needed");
    const int type = options.type >= 0 ? options.type : OutputTypeFromPath(outPath);
    if (type < 0)
        return UsageError("cannot tell the output type from " + outPath + "; give --type");

    // Unset format fields follow the device, as far as the recorder goes.
    const WAVEFORMATEX source = NWaveRec::GetDefaultFormat(device);
    if (source.nChannels == 0)
        return Fail(device < 0 ? "no capture device (is a sound server running?)"
                               : "no capture device " + std::to_string(device) + " (see qxrec devices)");
    const int rate = options.rate ? options.rate : static_cast<int>(source.nSamplesPerSec);
    const int channels = options.channels ? options.channels : (source.nChannels > 1 ? 2 : 1);
    const int bits = options.bits ? options.bits : 16;
    std::string refusal;
    if (!CheckFormatRules(type, bits, channels, rate, &refusal)) {
        std::fprintf(stderr, "%s\n", refusal.c_str());
        return 1;
    }

    CSoundRecorder recorder;
    recorder.SetOutputType(static_cast<OutputFileType>(type));
    recorder.SetFormat(static_cast<WORD>(bits), static_cast<WORD>(channels), static_cast<DWORD>(rate));
    recorder.SetPath(outPath);
    ProgressFlag progress;
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    if (!recorder.Start(&progress, device))
        return Fail("cannot record to " + outPath);

    const bool terminalIn = isatty(STDIN_FILENO) != 0;
    const bool terminalOut = isatty(STDERR_FILENO) != 0;
    const DWORD limitMs = seconds > 0 ? static_cast<DWORD>(seconds * 1000 + 0.5) : 0;
    std::string typed;
    bool paused = false;
    if (terminalOut)
        ShowElapsed(0, false);
    while (!g_stopSignal && (limitMs == 0 || recorder.GetElapsedMs() < limitMs)) {
        if (terminalIn && !TakeTerminalInput(recorder, typed))
            break;
        const bool pausedNow = recorder.IsPaused() != 0;
        if (terminalOut && (progress.Take() || pausedNow != paused))
            ShowElapsed(recorder.GetElapsedMs(), pausedNow);
        paused = pausedNow;
        poll(nullptr, 0, kPollMs);
    }
    recorder.Stop();
    if (terminalOut) {
        ShowElapsed(recorder.GetElapsedMs(), false);
        std::fprintf(stderr, "\n");
    }
    return 0;
}

// A private PulseAudio server for one test: its own folder, socket and null
// output, no system or user configuration, started and stopped by the test.
// While it runs, PULSE_SERVER points this process (and the programs it
// starts) at it.
//
// The null output renders its first block of 2 s at once when the server
// starts, so its monitor delivers the first sound about 2 s after Start; wait
// for captured data with a generous limit rather than a fixed time.
//
//   testkit::PulseServer server;
//   ASSERT_TRUE(server.Start()) << server.Log();
//   testkit::TonePlayer tone(1000.0);
//   ASSERT_TRUE(tone.Start());
//   ... record from the output's monitor ...
#pragma once

#include "testkit.h"

#include <sys/types.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

struct pa_simple;

namespace testkit {

struct PulseOptions {
    // The null output ("what the PC plays") and its monitor.
    unsigned sinkRate = 48000;
    unsigned sinkChannels = 2;
    // A null input besides it (a microphone that records silence).
    bool withInput = true;
    unsigned inputRate = 16000;
    unsigned inputChannels = 1;
};

class PulseServer {
public:
    static constexpr const char* kSink = "qx_out";
    static constexpr const char* kSinkDescription = "QX-Speakers";
    static constexpr const char* kMonitorDescription = "Monitor of QX-Speakers";
    static constexpr const char* kInput = "qx_in";
    static constexpr const char* kInputDescription = "QX-Microphone";

    explicit PulseServer(PulseOptions options = {});
    ~PulseServer(); // stops it
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Starts the server and waits until it answers (at most 15 s).
    bool Start();
    // Asks it to end and waits; kills it when it does not.  Idempotent.
    void Stop();
    // Kills it at once, as a crash would.
    void Kill();

    std::string Address() const { return "unix:" + m_dir.Path() + "/native"; }
    // The server's own messages, for failure reports.
    std::string Log() const;
    // Runs pactl with args (split at spaces) against this server; its
    // standard output, or "" when it failed.
    std::string Pactl(const std::string& args) const;

private:
    bool Answers() const;
    void Reap(int signal);

    PulseOptions m_options;
    TempDir m_dir;
    pid_t m_pid = -1;
    std::unique_ptr<ScopedEnv> m_env;
};

// Plays a sine tone into the default output of the server PULSE_SERVER names,
// from Start until Stop (or destruction), on a thread of its own.
class TonePlayer {
public:
    explicit TonePlayer(double hz, unsigned rate = 44100, unsigned channels = 2, double amplitude = 0.5);
    ~TonePlayer();
    TonePlayer(const TonePlayer&) = delete;
    TonePlayer& operator=(const TonePlayer&) = delete;

    // False when no playback stream could be opened.
    bool Start();
    void Stop();

private:
    void Run(pa_simple* stream);

    double m_hz;
    unsigned m_rate;
    unsigned m_channels;
    double m_amplitude;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace testkit

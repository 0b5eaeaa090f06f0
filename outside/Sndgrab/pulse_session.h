// One connection to the sound server on a threaded main loop of its own, and
// the blocking queries the library makes through it.
//
// Threads: the session's loop thread runs every libpulse callback with the
// loop lock held.  The query methods take the lock themselves and wait; they
// must not be called from the loop thread.  Stream users lock with Lock().
#pragma once

#include <pulse/pulseaudio.h>

#include <string>
#include <vector>

namespace sndgrab {

struct SourceInfo {
    std::string name;        // the server's name, stable while the source exists
    std::string description; // what the user sees
    pa_sample_spec spec{};
    pa_cvolume volume{};
    int mute = 0;
    bool monitor = false; // monitor of an output
    std::string monitorOf;
    int state = 3; // as stNSndDevInfo::state
};

// The server's sources in its own order and its default devices.
struct ServerSnapshot {
    std::vector<SourceInfo> sources;
    std::string defaultSink;
    std::string defaultSource;

    // The monitor of the default output, else the default source, else -1.
    int DefaultPosition() const;
    // device, or the default for -1; -1 when it names no source.
    int Resolve(int device) const;
};

class PulseSession {
public:
    // Connects (never spawning a server); IsReady tells whether it worked.
    PulseSession();
    ~PulseSession();
    PulseSession(const PulseSession&) = delete;
    PulseSession& operator=(const PulseSession&) = delete;

    bool IsReady() const { return m_ready; }
    pa_context* Context() const { return m_context; }
    pa_threaded_mainloop* Loop() const { return m_loop; }

    bool Snapshot(ServerSnapshot& out);
    bool SetVolume(const std::string& source, const pa_cvolume& volume);
    bool SetMute(const std::string& source, int mute);

    // Waits (lock held) until op is done or the connection died; unrefs op.
    void Wait(pa_operation* op);

    // Stops the loop thread: afterwards no callback runs.  Idempotent.
    void StopLoop();

private:
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    bool m_ready = false;
    bool m_running = false;
};

// Takes the loop lock for a scope.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : m_loop(loop) { pa_threaded_mainloop_lock(m_loop); }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
};

// A snapshot from a fresh connection; false without a server.
bool TakeSnapshot(ServerSnapshot& out);

} // namespace sndgrab

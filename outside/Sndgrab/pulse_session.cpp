#include "pulse_session.h"

namespace sndgrab {

namespace {

void SignalLoop(pa_threaded_mainloop* loop) { pa_threaded_mainloop_signal(loop, 0); }

void OnContextState(pa_context*, void* loop) { SignalLoop(static_cast<pa_threaded_mainloop*>(loop)); }

int StateOf(const pa_source_info& info)
{
    // An input whose jack is known to be empty records nothing: unavailable.
    if (info.active_port && info.active_port->available == PA_PORT_AVAILABLE_NO)
        return 3;
    switch (info.state) {
    case PA_SOURCE_RUNNING: return 0;
    case PA_SOURCE_IDLE: return 1;
    case PA_SOURCE_SUSPENDED: return 2;
    default: return 3;
    }
}

struct SnapshotQuery {
    pa_threaded_mainloop* loop;
    ServerSnapshot* out;
};

void OnServerInfo(pa_context*, const pa_server_info* info, void* user)
{
    auto* q = static_cast<SnapshotQuery*>(user);
    if (info) {
        q->out->defaultSink = info->default_sink_name ? info->default_sink_name : "";
        q->out->defaultSource = info->default_source_name ? info->default_source_name : "";
    }
    SignalLoop(q->loop);
}

void OnSourceInfo(pa_context*, const pa_source_info* info, int eol, void* user)
{
    auto* q = static_cast<SnapshotQuery*>(user);
    if (eol || !info) {
        SignalLoop(q->loop);
        return;
    }
    SourceInfo s;
    s.name = info->name ? info->name : "";
    s.description = info->description && *info->description ? info->description : s.name;
    s.spec = info->sample_spec;
    s.volume = info->volume;
    s.mute = info->mute ? 1 : 0;
    s.monitor = info->monitor_of_sink != PA_INVALID_INDEX;
    s.monitorOf = info->monitor_of_sink_name ? info->monitor_of_sink_name : "";
    s.state = StateOf(*info);
    q->out->sources.push_back(std::move(s));
}

struct SuccessQuery {
    pa_threaded_mainloop* loop;
    int success = 0;
};

void OnSuccess(pa_context*, int success, void* user)
{
    auto* q = static_cast<SuccessQuery*>(user);
    q->success = success;
    SignalLoop(q->loop);
}

} // namespace

int ServerSnapshot::DefaultPosition() const
{
    for (size_t i = 0; i < sources.size(); ++i)
        if (sources[i].monitor && sources[i].monitorOf == defaultSink)
            return static_cast<int>(i);
    for (size_t i = 0; i < sources.size(); ++i)
        if (sources[i].name == defaultSource)
            return static_cast<int>(i);
    return -1;
}

int ServerSnapshot::Resolve(int device) const
{
    if (device == -1)
        return DefaultPosition();
    return device >= 0 && device < static_cast<int>(sources.size()) ? device : -1;
}

PulseSession::PulseSession()
{
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return;
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Sndgrab");
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, OnContextState, m_loop);
    LoopLock lock(m_loop);
    // No autospawn: without a running server the library simply has no devices.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return;
    if (pa_threaded_mainloop_start(m_loop) < 0)
        return;
    m_running = true;
    for (;;) {
        pa_context_state_t st = pa_context_get_state(m_context);
        if (st == PA_CONTEXT_READY) {
            m_ready = true;
            return;
        }
        if (!PA_CONTEXT_IS_GOOD(st))
            return;
        pa_threaded_mainloop_wait(m_loop);
    }
}

PulseSession::~PulseSession()
{
    if (m_context) {
        LoopLock lock(m_loop);
        pa_context_disconnect(m_context);
    }
    StopLoop();
    if (m_context)
        pa_context_unref(m_context);
    if (m_loop)
        pa_threaded_mainloop_free(m_loop);
}

void PulseSession::StopLoop()
{
    if (m_running) {
        pa_threaded_mainloop_stop(m_loop);
        m_running = false;
    }
}

void PulseSession::Wait(pa_operation* op)
{
    if (!op)
        return;
    // A dying connection cancels its operations and signals through the
    // context state callback, so this cannot wait for ever on a dead server.
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING && PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)))
        pa_threaded_mainloop_wait(m_loop);
    pa_operation_unref(op);
}

bool PulseSession::Snapshot(ServerSnapshot& out)
{
    out = ServerSnapshot{};
    if (!m_ready)
        return false;
    SnapshotQuery q{m_loop, &out};
    LoopLock lock(m_loop);
    Wait(pa_context_get_server_info(m_context, OnServerInfo, &q));
    Wait(pa_context_get_source_info_list(m_context, OnSourceInfo, &q));
    return pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

bool PulseSession::SetVolume(const std::string& source, const pa_cvolume& volume)
{
    if (!m_ready)
        return false;
    SuccessQuery q{m_loop};
    LoopLock lock(m_loop);
    Wait(pa_context_set_source_volume_by_name(m_context, source.c_str(), &volume, OnSuccess, &q));
    return q.success != 0;
}

bool PulseSession::SetMute(const std::string& source, int mute)
{
    if (!m_ready)
        return false;
    SuccessQuery q{m_loop};
    LoopLock lock(m_loop);
    Wait(pa_context_set_source_mute_by_name(m_context, source.c_str(), mute ? 1 : 0, OnSuccess, &q));
    return q.success != 0;
}

bool TakeSnapshot(ServerSnapshot& out)
{
    PulseSession session;
    return session.Snapshot(out);
}

} // namespace sndgrab

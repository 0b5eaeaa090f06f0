#include "pulse_server.h"

#include <pulse/simple.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

extern char** environ;

namespace testkit {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> Split(const std::string& s)
{
    std::vector<std::string> out;
    std::istringstream in(s);
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> p;
    for (std::string& s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Spawns program with args and env; output goes to outFile (or /dev/null).
pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> env, const std::string& outFile)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    auto args = Pointers(argv);
    auto envp = Pointers(env);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

std::vector<std::string> CurrentEnv()
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    return env;
}

} // namespace

PulseServer::PulseServer(PulseOptions options) : m_options(options) {}

PulseServer::~PulseServer() { Stop(); }

bool PulseServer::Start()
{
    if (m_pid > 0)
        return true;
    const std::string dir = m_dir.Path();
    std::vector<std::string> argv = {
        "pulseaudio", "-n", "--daemonize=no", "--system=false", "--exit-idle-time=-1",
        "--use-pid-file=false", "--realtime=false", "--high-priority=false", "--log-target=stderr",
        "-L", "module-null-sink sink_name=" + std::string(kSink) + " rate=" + std::to_string(m_options.sinkRate) +
                  " channels=" + std::to_string(m_options.sinkChannels) +
                  " sink_properties=device.description=" + kSinkDescription,
    };
    if (m_options.withInput) {
        argv.push_back("-L");
        argv.push_back("module-null-source source_name=" + std::string(kInput) +
                       " rate=" + std::to_string(m_options.inputRate) +
                       " channels=" + std::to_string(m_options.inputChannels) +
                       " description=" + kInputDescription);
    }
    argv.push_back("-L");
    argv.push_back("module-native-protocol-unix auth-anonymous=1 socket=" + dir + "/native");

    // Everything the server would read or write lives in the test's folder;
    // no desktop session is reachable from it.
    std::vector<std::string> env;
    for (const std::string& e : CurrentEnv()) {
        if (e.rfind("PULSE_", 0) != 0 && e.rfind("XDG_", 0) != 0 && e.rfind("HOME=", 0) != 0 &&
            e.rfind("DISPLAY=", 0) != 0 && e.rfind("DBUS_", 0) != 0)
            env.push_back(e);
    }
    for (const char* v : {"HOME=", "XDG_RUNTIME_DIR=", "XDG_CONFIG_HOME=", "PULSE_RUNTIME_PATH=", "PULSE_STATE_PATH="})
        env.push_back(v + dir);
    m_pid = Spawn(argv, env, dir + "/server.log");
    if (m_pid <= 0)
        return false;
    m_env = std::make_unique<ScopedEnv>("PULSE_SERVER", Address());

    const auto deadline = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < deadline) {
        int status;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return false;
        }
        if (::access((dir + "/native").c_str(), F_OK) == 0 && Answers())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Stop();
    return false;
}

bool PulseServer::Answers() const { return !Pactl("info").empty(); }

void PulseServer::Reap(int signal)
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, signal);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    int status;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_pid = -1;
}

void PulseServer::Stop() { Reap(SIGTERM); }

void PulseServer::Kill() { Reap(SIGKILL); }

std::string PulseServer::Log() const { return ReadFile(m_dir / "server.log"); }

std::string PulseServer::Pactl(const std::string& args) const
{
    std::vector<std::string> argv = Split(args);
    argv.insert(argv.begin(), {"pactl", "--server=" + Address()});
    const std::string out = m_dir / "pactl.out";
    pid_t pid = Spawn(argv, CurrentEnv(), out);
    int status = 0;
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "";
    return ReadFile(out);
}

TonePlayer::TonePlayer(double hz, unsigned rate, unsigned channels, double amplitude)
    : m_hz(hz), m_rate(rate), m_channels(channels), m_amplitude(amplitude)
{
}

TonePlayer::~TonePlayer() { Stop(); }

bool TonePlayer::Start()
{
    if (m_thread.joinable())
        return true;
    pa_sample_spec spec{PA_SAMPLE_S16LE, m_rate, static_cast<uint8_t>(m_channels)};
    // A short buffer, so the tone is in the output soon after Start, yet long
    // enough not to run dry on a busy machine.
    pa_buffer_attr attr{};
    attr.maxlength = attr.prebuf = attr.minreq = attr.fragsize = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(200000, &spec));
    int error = 0;
    pa_simple* stream =
        pa_simple_new(nullptr, "qxtest", PA_STREAM_PLAYBACK, nullptr, "tone", &spec, nullptr, &attr, &error);
    if (!stream)
        return false;
    m_stop = false;
    m_thread = std::thread([this, stream] { Run(stream); });
    return true;
}

void TonePlayer::Run(pa_simple* stream)
{
    const unsigned frames = m_rate / 50; // 20 ms per write
    std::vector<int16_t> block(frames * m_channels);
    const double step = 2.0 * M_PI * m_hz / m_rate;
    double phase = 0.0;
    int error = 0;
    while (!m_stop) {
        for (unsigned f = 0; f < frames; ++f) {
            auto v = static_cast<int16_t>(std::lround(m_amplitude * 32767.0 * std::sin(phase)));
            for (unsigned c = 0; c < m_channels; ++c)
                block[f * m_channels + c] = v;
            phase = std::fmod(phase + step, 2.0 * M_PI);
        }
        // Blocks at the output's pace; fails once the server is gone.
        if (pa_simple_write(stream, block.data(), block.size() * sizeof(int16_t), &error) < 0)
            break;
    }
    pa_simple_free(stream);
}

void TonePlayer::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace testkit

#include "msgloop.h"

#include "core/text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// One posted message as it travels through a class socket.
constexpr std::size_t kWireSize = sizeof(std::uint32_t) + 2 * sizeof(std::uint64_t);

struct Window {
    IWindowProc* proc = nullptr;
    int fd = -1;          // the class socket, bound while the window lives
    std::string path;
    ino_t inode = 0;      // to unlink only our own socket file
};

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    Clock::duration period;
    Clock::time_point due;
};

struct Posted {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The loop's state.  `mutex` guards the queue, the quit request and the set
// of windows (PostMessage may come from any thread); the timers and the
// sockets are touched by the loop's thread only.
struct Loop {
    std::mutex mutex;
    std::deque<Posted> queue;
    bool quit = false;
    int quitCode = 0;
    std::map<HWND, Window> windows;
    std::uintptr_t nextWindow = 1;
    std::vector<Timer> timers;
    int wakeFd = -1;
};

Loop& L()
{
    static Loop loop;
    return loop;
}

int g_signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const int saved = errno;
    const char b = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &b, 1);
    errno = saved;
}

// Wake-up descriptor and signal handlers, set up once per process.
void EnsureLoopPlumbing()
{
    static std::once_flag once;
    std::call_once(once, [] {
        L().wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (::pipe2(g_signalPipe, O_NONBLOCK | O_CLOEXEC) == 0) {
            struct sigaction sa {};
            sa.sa_handler = OnSignal;
            sigemptyset(&sa.sa_mask);
            sa.sa_flags = SA_RESTART;
            ::sigaction(SIGTERM, &sa, nullptr);
            ::sigaction(SIGINT, &sa, nullptr);
        }
    });
}

void Wake()
{
    if (L().wakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(L().wakeFd, &one, sizeof one);
    }
}

// The per-user folder of the class sockets: private to the user, so only
// the user's own programs can post to the windows.
std::string SocketFolder()
{
    std::string dir;
    if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && *r)
        dir = std::string(r) + "/velmora-windows";
    else
        dir = "/tmp/velmora-windows-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077))
        return {};
    return dir;
}

bool SocketAddress(const std::string& className, sockaddr_un* addr, std::string* path)
{
    static const char* hex = "0123456789abcdef";
    const std::string folder = SocketFolder();
    if (folder.empty() || className.empty()) {
        SetLastError(folder.empty() ? ERROR_ACCESS_DENIED : ERROR_INVALID_PARAMETER);
        return false;
    }
    std::string p = folder + "/";
    for (unsigned char c : className) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_') {
            p += static_cast<char>(c);
        } else {
            p += '%';
            p += hex[c >> 4];
            p += hex[c & 15];
        }
    }
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    if (p.size() >= sizeof addr->sun_path) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::memcpy(addr->sun_path, p.c_str(), p.size() + 1);
    *path = p;
    return true;
}

// Whether a live socket answers at the address (a stale file refuses).
bool Alive(const sockaddr_un& addr)
{
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool alive = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return alive;
}

int BindClassSocket(const std::string& className, std::string* path, ino_t* inode)
{
    sockaddr_un addr;
    if (!SocketAddress(className, &addr, path))
        return -1;
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetLastErrorFromErrno();
        return -1;
    }
    int rc = ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    if (rc != 0 && errno == EADDRINUSE) {
        if (Alive(addr)) {
            ::close(fd);
            SetLastError(ERROR_ALREADY_EXISTS);
            return -1;
        }
        ::unlink(path->c_str()); // left behind by a program that was killed
        rc = ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    }
    struct stat st {};
    if (rc != 0 || ::stat(path->c_str(), &st) != 0) {
        SetLastErrorFromErrno();
        ::close(fd);
        return -1;
    }
    *inode = st.st_ino;
    return fd;
}

void CloseClassSocket(const Window& w)
{
    struct stat st {};
    if (::stat(w.path.c_str(), &st) == 0 && st.st_ino == w.inode)
        ::unlink(w.path.c_str());
    ::close(w.fd);
}

IWindowProc* ProcOf(HWND hwnd)
{
    std::lock_guard lock(L().mutex);
    auto it = L().windows.find(hwnd);
    return it == L().windows.end() ? nullptr : it->second.proc;
}

void Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IWindowProc* proc = ProcOf(hwnd))
        proc->WindowProc(hwnd, message, wParam, lParam);
}

// Posts read from a class socket join the queue like local posts.
void ReceiveFromClassSocket(HWND hwnd, int fd)
{
    unsigned char buf[64];
    for (;;) {
        ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n < 0)
            return;
        if (static_cast<std::size_t>(n) != kWireSize)
            continue; // not one of ours
        std::uint32_t message;
        std::uint64_t wParam, lParam;
        std::memcpy(&message, buf, 4);
        std::memcpy(&wParam, buf + 4, 8);
        std::memcpy(&lParam, buf + 12, 8);
        PostMessage(hwnd, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
    }
}

// A signal closes the first window still alive, as its user would.
void OnSignalPipe()
{
    char drain[16];
    while (::read(g_signalPipe[0], drain, sizeof drain) > 0) {}
    HWND first = nullptr;
    {
        std::lock_guard lock(L().mutex);
        if (!L().windows.empty())
            first = L().windows.begin()->first;
    }
    if (first)
        PostMessage(first, WM_CLOSE, 0, 0);
    else
        PostQuitMessage(0);
}

} // namespace

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM, LPARAM)
{
    if (message == WM_CLOSE)
        DestroyWindow(hwnd);
    return 0;
}

HWND CreateHiddenWindow(const std::string& className, IWindowProc* proc)
{
    EnsureLoopPlumbing();
    Window w;
    w.proc = proc;
    w.fd = BindClassSocket(className, &w.path, &w.inode);
    if (w.fd < 0)
        return nullptr;
    HWND hwnd;
    {
        std::lock_guard lock(L().mutex);
        hwnd = reinterpret_cast<HWND>(L().nextWindow++);
        L().windows.emplace(hwnd, w);
    }
    if (proc->WindowProc(hwnd, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        SetLastError(ERROR_INVALID_FUNCTION);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd)
{
    IWindowProc* proc = ProcOf(hwnd);
    if (!proc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    proc->WindowProc(hwnd, WM_DESTROY, 0, 0);
    Window w;
    {
        std::lock_guard lock(L().mutex);
        auto it = L().windows.find(hwnd);
        if (it == L().windows.end())
            return TRUE; // destroyed while handling WM_DESTROY
        w = it->second;
        L().windows.erase(it);
        std::erase_if(L().queue, [hwnd](const Posted& p) { return p.hwnd == hwnd; });
    }
    std::erase_if(L().timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
    CloseClassSocket(w);
    return TRUE;
}

BOOL IsWindow(HWND hwnd)
{
    return ProcOf(hwnd) != nullptr;
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    {
        std::lock_guard lock(L().mutex);
        if (!L().windows.count(hwnd)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        L().queue.push_back({hwnd, message, wParam, lParam});
    }
    Wake();
    return TRUE;
}

void PostQuitMessage(int exitCode)
{
    {
        std::lock_guard lock(L().mutex);
        L().quit = true;
        L().quitCode = exitCode;
    }
    Wake();
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs)
{
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const auto period = std::chrono::milliseconds(std::max<UINT>(elapseMs, 1));
    KillTimer(hwnd, id);
    L().timers.push_back({hwnd, id, period, Clock::now() + period});
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    return std::erase_if(L().timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; }) > 0;
}

UINT RegisterWindowMessage(const std::string& name)
{
    // FNV-1a of the lower-case name: the same number in every process.
    std::uint32_t h = 2166136261u;
    for (char c : ToLowerAscii(name))
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return 0xC000u + (h % 0x4000u);
}

int RunMessageLoop()
{
    EnsureLoopPlumbing();
    Loop& loop = L();
    for (;;) {
        // Posted messages first, one at a time: a handler may post more.
        for (;;) {
            Posted p;
            {
                std::lock_guard lock(loop.mutex);
                if (loop.queue.empty()) {
                    if (loop.quit) {
                        loop.quit = false;
                        return loop.quitCode;
                    }
                    break;
                }
                p = loop.queue.front();
                loop.queue.pop_front();
            }
            Dispatch(p.hwnd, p.message, p.wParam, p.lParam);
        }

        // Then the earliest due timer, rescheduled from now.
        const auto now = Clock::now();
        auto due = std::min_element(loop.timers.begin(), loop.timers.end(),
            [](const Timer& a, const Timer& b) { return a.due < b.due; });
        if (due != loop.timers.end() && due->due <= now) {
            due->due = now + due->period;
            Dispatch(due->hwnd, WM_TIMER, due->id, 0);
            continue;
        }

        int timeout = -1;
        if (due != loop.timers.end())
            timeout = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(due->due - now).count() + 1);

        std::vector<pollfd> fds{{loop.wakeFd, POLLIN, 0}, {g_signalPipe[0], POLLIN, 0}};
        std::vector<HWND> owners{nullptr, nullptr};
        {
            std::lock_guard lock(loop.mutex);
            for (const auto& [hwnd, w] : loop.windows) {
                fds.push_back({w.fd, POLLIN, 0});
                owners.push_back(hwnd);
            }
        }
        if (::poll(fds.data(), fds.size(), timeout) <= 0)
            continue;
        if (fds[0].revents) {
            std::uint64_t v;
            [[maybe_unused]] ssize_t n = ::read(loop.wakeFd, &v, sizeof v);
        }
        if (fds[1].revents)
            OnSignalPipe();
        for (std::size_t i = 2; i < fds.size(); ++i)
            if (fds[i].revents & POLLIN)
                ReceiveFromClassSocket(owners[i], fds[i].fd);
    }
}

BOOL FindWindowByClass(const std::string& className)
{
    sockaddr_un addr;
    std::string path;
    if (!SocketAddress(className, &addr, &path))
        return FALSE;
    if (!Alive(addr)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

BOOL PostMessageToClass(const std::string& className, UINT message, WPARAM wParam, LPARAM lParam)
{
    sockaddr_un addr;
    std::string path;
    if (!SocketAddress(className, &addr, &path))
        return FALSE;
    unsigned char buf[kWireSize];
    const std::uint32_t m = message;
    const std::uint64_t w = wParam, l = static_cast<std::uint64_t>(lParam);
    std::memcpy(buf, &m, 4);
    std::memcpy(buf + 4, &w, 8);
    std::memcpy(buf + 12, &l, 8);
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return SetLastErrorFromErrno(), FALSE;
    ssize_t n = ::sendto(fd, buf, sizeof buf, MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    const int err = errno;
    ::close(fd);
    if (n == static_cast<ssize_t>(sizeof buf))
        return TRUE;
    SetLastError(err == EAGAIN ? ERROR_TOO_MANY_POSTS
               : (err == ENOENT || err == ECONNREFUSED) ? ERROR_FILE_NOT_FOUND
                                                        : Win32ErrorFromErrno(err));
    return FALSE;
}

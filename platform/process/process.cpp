#include "process.h"

#include "module/module.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <regex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

struct ProcessObject {
    pid_t pid = -1;
    int exitFd = -1; // read end of the child's exit-code pipe
    bool ended = false;
    DWORD code = STILL_ACTIVE;
    std::mutex mutex;
};

namespace {

constexpr const char* kExitFdVar = "QX_EXIT_FD";

// The exit-code pipe this program was given, taken once at start-up and kept
// from any program it starts itself.
int TakeInheritedExitFd()
{
    const char* v = std::getenv(kExitFdVar);
    if (!v)
        return -1;
    int fd = std::atoi(v);
    ::unsetenv(kExitFdVar);
    if (fd <= 2 || ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0)
        return -1;
    return fd;
}
const int g_inheritedExitFd = TakeInheritedExitFd();

bool IsExecutableFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string Absolute(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + path : path;
}

// Finds a program or file by name: as given (with the module-name rule as a
// second try); names without a folder also in the program's folder and PATH.
std::string Resolve(const std::string& name)
{
    if (name.empty())
        return {};
    const std::string mapped = ModuleFileName(name);
    for (const std::string& n : {name, mapped})
        if (n.find('/') != std::string::npos && Exists(n))
            return Absolute(n);
    if (name.find('/') != std::string::npos)
        return {};
    std::vector<std::string> dirs{GetProgramFolder()};
    if (const char* path = std::getenv("PATH")) {
        std::string p = path;
        for (std::size_t i = 0; i <= p.size();) {
            std::size_t j = p.find(':', i);
            if (j == std::string::npos)
                j = p.size();
            dirs.push_back(j > i ? p.substr(i, j - i) : ".");
            i = j + 1;
        }
    }
    for (const std::string& d : dirs)
        for (const std::string& n : {name, mapped})
            if (IsExecutableFile(d + "/" + n))
                return Absolute(d + "/" + n);
    return {};
}

DWORD Spawn(const std::string& program, const std::vector<std::string>& args, const std::string& folder, int show,
    const StdHandles* std, HPROCESS* process)
{
    int exitPipe[2];
    if (::pipe2(exitPipe, O_CLOEXEC) != 0)
        return SetLastErrorFromErrno();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (std) {
        const int fds[3] = {std->in, std->out, std->err};
        for (int i = 0; i < 3; ++i)
            if (fds[i] >= 0)
                posix_spawn_file_actions_adddup2(&actions, fds[i], i);
    }
    // Duplicating a descriptor onto itself clears its close-on-exec flag.
    posix_spawn_file_actions_adddup2(&actions, exitPipe[1], exitPipe[1]);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "QX_EXIT_FD=", 11) != 0 && std::strncmp(*e, "QX_SHOW=", 8) != 0)
            env.emplace_back(*e);
    env.push_back(std::string(kExitFdVar) + "=" + std::to_string(exitPipe[1]));
    env.push_back("QX_SHOW=" + std::to_string(show));
    std::vector<char*> envp;
    for (auto& s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);

    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : argStore)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(exitPipe[1]);
    if (rc != 0) {
        ::close(exitPipe[0]);
        DWORD err = rc == ENOENT && !Exists(program) ? ERROR_FILE_NOT_FOUND
                  : rc == ENOENT ? ERROR_PATH_NOT_FOUND // the working folder is missing
                                 : Win32ErrorFromErrno(rc);
        SetLastError(err);
        return err;
    }
    auto* p = new ProcessObject;
    p->pid = pid;
    p->exitFd = exitPipe[0];
    *process = p;
    SetLastError(ERROR_SUCCESS);
    return ERROR_SUCCESS;
}

// Records the end of the process from a wait status; caller holds the mutex.
void Ended(ProcessObject* p, int status)
{
    DWORD code = WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status))
               : WIFSIGNALED(status) ? static_cast<DWORD>(128 + WTERMSIG(status))
                                     : 1;
    ::fcntl(p->exitFd, F_SETFL, O_NONBLOCK);
    unsigned char full[4];
    if (::read(p->exitFd, full, 4) == 4 && WIFEXITED(status))
        code = full[0] | (full[1] << 8) | (full[2] << 16) | (static_cast<DWORD>(full[3]) << 24);
    p->code = code;
    p->ended = true;
}

bool Poll(ProcessObject* p, bool block)
{
    std::lock_guard lock(p->mutex);
    if (p->ended)
        return true;
    int status = 0;
    pid_t r;
    while ((r = ::waitpid(p->pid, &status, block ? 0 : WNOHANG)) < 0 && errno == EINTR) {}
    if (r == p->pid) {
        Ended(p, status);
        return true;
    }
    return false;
}

bool IsAddress(const std::string& file)
{
    static const std::regex scheme("^[A-Za-z][A-Za-z0-9+.-]+:.*");
    return std::regex_match(file, scheme);
}

std::intptr_t ShellResult(DWORD err)
{
    switch (err) {
    case ERROR_SUCCESS: return 42;
    case ERROR_FILE_NOT_FOUND: return 2;
    case ERROR_PATH_NOT_FOUND: return 3;
    case ERROR_ACCESS_DENIED: return 5;
    case ERROR_NOT_ENOUGH_MEMORY: return 8;
    case ERROR_BAD_EXE_FORMAT: return 11;
    case ERROR_NO_ASSOCIATION: return 31;
    default: return 0;
    }
}

DWORD ShellOpen(const std::string& verb, const std::string& file, const std::string& parameters,
    const std::string& folder, int show, HPROCESS* process)
{
    *process = nullptr;
    if (!verb.empty() && verb != "open")
        return ERROR_NO_ASSOCIATION;
    std::string target = file;
    bool direct = false;
    if (!IsAddress(file)) {
        target = Resolve(file);
        if (target.empty())
            return ERROR_FILE_NOT_FOUND;
        direct = IsExecutableFile(target);
    }
    if (direct) {
        // Parameters are split as the arguments after a program name.
        std::vector<std::string> args = CommandLineToArgv("x " + parameters);
        args.erase(args.begin());
        return Spawn(target, args, folder, show, nullptr, process);
    }
    const char* custom = std::getenv("QX_SHELL_OPEN");
    const std::string opener = Resolve(custom && *custom ? custom : "xdg-open");
    if (opener.empty())
        return ERROR_NO_ASSOCIATION;
    return Spawn(opener, {target}, folder, show, nullptr, process);
}

} // namespace

std::vector<std::string> CommandLineToArgv(const std::string& commandLine)
{
    std::vector<std::string> args;
    std::size_t i = 0;
    const std::size_t n = commandLine.size();
    auto isSpace = [](char c) { return c == ' ' || c == '\t'; };

    while (i < n && isSpace(commandLine[i]))
        ++i;
    if (i >= n)
        return args;
    // The program name: quotes group, no escapes.
    std::string prog;
    bool quoted = false;
    for (; i < n && (quoted || !isSpace(commandLine[i])); ++i) {
        if (commandLine[i] == '"')
            quoted = !quoted;
        else
            prog += commandLine[i];
    }
    args.push_back(prog);

    for (;;) {
        while (i < n && isSpace(commandLine[i]))
            ++i;
        if (i >= n)
            break;
        std::string arg;
        bool inQuotes = false;
        while (i < n && (inQuotes || !isSpace(commandLine[i]))) {
            if (commandLine[i] == '\\') {
                std::size_t slashes = 0;
                while (i < n && commandLine[i] == '\\')
                    ++slashes, ++i;
                if (i < n && commandLine[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(slashes, '\\');
                }
            } else if (commandLine[i] == '"') {
                if (inQuotes && i + 1 < n && commandLine[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    inQuotes = !inQuotes;
                    ++i;
                }
            } else {
                arg += commandLine[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

DWORD CreateProcess(const std::string& commandLine, const std::string& workingFolder, int show, HPROCESS* process,
    const StdHandles* std)
{
    *process = nullptr;
    std::vector<std::string> argv = CommandLineToArgv(commandLine);
    if (argv.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR_INVALID_PARAMETER;
    }
    const std::string program = Resolve(argv[0]);
    if (program.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return ERROR_FILE_NOT_FOUND;
    }
    if (!IsExecutableFile(program)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return ERROR_ACCESS_DENIED;
    }
    argv.erase(argv.begin());
    return Spawn(program, argv, workingFolder, show, std, process);
}

DWORD WaitForSingleObject(HPROCESS process, DWORD milliseconds)
{
    if (!process)
        return WAIT_FAILED;
    if (milliseconds == INFINITE)
        return Poll(process, true) ? WAIT_OBJECT_0 : WAIT_FAILED;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    auto pause = std::chrono::microseconds(200);
    while (!Poll(process, false)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return WAIT_TIMEOUT;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(10000));
    }
    return WAIT_OBJECT_0;
}

BOOL GetExitCodeProcess(HPROCESS process, DWORD* code)
{
    if (!process)
        return FALSE;
    Poll(process, false);
    std::lock_guard lock(process->mutex);
    *code = process->ended ? process->code : STILL_ACTIVE;
    return TRUE;
}

BOOL CloseHandle(HPROCESS process)
{
    if (!process)
        return FALSE;
    if (!Poll(process, false)) {
        // Reap it when it ends, so it does not stay a zombie.
        std::thread([pid = process->pid] {
            int status;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
        }).detach();
    }
    ::close(process->exitFd);
    delete process;
    return TRUE;
}

int GetProcessId(HPROCESS process)
{
    return process ? process->pid : 0;
}

std::intptr_t ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
    const std::string& folder, int show)
{
    HPROCESS p = nullptr;
    DWORD err = ShellOpen(verb, file, parameters, folder, show, &p);
    SetLastError(err);
    if (p)
        CloseHandle(p);
    return ShellResult(err);
}

BOOL ShellExecuteEx(const std::string& verb, const std::string& file, const std::string& parameters,
    const std::string& folder, int show, HPROCESS* process)
{
    HPROCESS p = nullptr;
    DWORD err = ShellOpen(verb, file, parameters, folder, show, &p);
    SetLastError(err);
    if (process)
        *process = p;
    else if (p)
        CloseHandle(p);
    return err == ERROR_SUCCESS;
}

int ExitCodeForMain(DWORD code)
{
    if (g_inheritedExitFd >= 0) {
        const unsigned char full[4] = {static_cast<unsigned char>(code), static_cast<unsigned char>(code >> 8),
            static_cast<unsigned char>(code >> 16), static_cast<unsigned char>(code >> 24)};
        [[maybe_unused]] ssize_t n = ::write(g_inheritedExitFd, full, 4);
    }
    // Keep failures visible to shells: a code whose low byte is 0 ends with 255.
    return code <= 255 ? static_cast<int>(code) : (code & 0xFF) ? static_cast<int>(code & 0xFF) : 255;
}

BOOL CreatePipe(int* readEnd, int* writeEnd)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    *readEnd = fds[0];
    *writeEnd = fds[1];
    return TRUE;
}

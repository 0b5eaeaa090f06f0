// Running the update programs as real processes in tests.
#pragma once

#include "process/process.h"
#include "testkit.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>

namespace programkit {

inline std::string Quote(const std::string& s)
{
    return "\"" + s + "\"";
}

// Runs a command line to its end: the exit code, or the start error.
inline DWORD RunProgram(const std::string& commandLine, std::string* output = nullptr)
{
    int readEnd = -1, writeEnd = -1;
    StdHandles std;
    if (output && CreatePipe(&readEnd, &writeEnd))
        std.out = writeEnd;
    HPROCESS p = nullptr;
    DWORD err = CreateProcess(commandLine, "", SW_HIDE, &p, output ? &std : nullptr);
    if (writeEnd >= 0)
        ::close(writeEnd);
    if (err == ERROR_SUCCESS && readEnd >= 0) {
        char buf[4096];
        for (ssize_t n; (n = ::read(readEnd, buf, sizeof buf)) > 0;)
            output->append(buf, static_cast<std::size_t>(n));
    }
    if (readEnd >= 0)
        ::close(readEnd);
    if (err)
        return err;
    WaitForSingleObject(p, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(p, &code);
    CloseHandle(p);
    return code;
}

// Polls until the condition holds or the time is up; whether it held.
inline bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace programkit

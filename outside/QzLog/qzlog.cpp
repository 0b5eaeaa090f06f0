// QzLog: the logging library of the update agent.  Each call appends one
// line, UTF-8, with a local time stamp, to orv.log in the support data
// folder.  One write per line with O_APPEND, so lines of several processes
// never interleave.
#include "core/text.h"
#include "module/module.h"
#include "support_folder.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

std::string LogPath()
{
    // The folder does not move while a program runs.
    static const std::string folder = SupportDataFolder();
    return folder.empty() ? std::string() : folder + "/orv.log";
}

std::string TimeStamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&t, &local);
    char buf[64];
    const std::size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(buf + n, sizeof buf - n, ".%03d", static_cast<int>(ms));
    return buf;
}

} // namespace

// 0 when the line was written, else the Win32 error.
QX_EXPORT int QzL_WriteLog(const char16_t* text)
{
    const std::string path = LogPath();
    if (path.empty())
        return ERROR_PATH_NOT_FOUND;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::string line = TimeStamp() + " " + (text ? Utf16ToUtf8(text) : std::string()) + "\n";
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return static_cast<int>(Win32ErrorFromErrno(errno));
    const ssize_t n = ::write(fd, line.data(), line.size());
    const int err = errno;
    ::close(fd);
    return n == static_cast<ssize_t>(line.size()) ? 0 : static_cast<int>(Win32ErrorFromErrno(n < 0 ? err : ENOSPC));
}

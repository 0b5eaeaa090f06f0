#include "tempfile.h"

#include "core/wintypes.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

std::string GetTempPath()
{
    const char* t = std::getenv("TMPDIR");
    std::string dir = t && *t ? t : "/tmp";
    if (dir.back() != '/')
        dir += '/';
    return dir;
}

std::string GetTempFileName(const std::string& folder, const std::string& prefix)
{
    std::string dir = folder.empty() ? GetTempPath() : folder;
    if (dir.back() != '/')
        dir += '/';
    std::string name = dir + prefix + "XXXXXX.tmp";
    int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) {
        SetLastErrorFromErrno();
        return {};
    }
    ::close(fd);
    SetLastError(ERROR_SUCCESS);
    return name;
}

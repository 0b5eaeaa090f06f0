#include "pipe.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

int GetStdHandle(DWORD which)
{
    switch (which) {
    case STD_INPUT_HANDLE: return 0;
    case STD_OUTPUT_HANDLE: return 1;
    case STD_ERROR_HANDLE: return 2;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
}

BOOL PeekNamedPipe(int handle, void* buffer, DWORD size, DWORD* bytesRead, DWORD* totalAvailable)
{
    if (bytesRead)
        *bytesRead = 0;
    if (totalAvailable)
        *totalAvailable = 0;
    struct stat st {};
    if (::fstat(handle, &st) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    if (!S_ISFIFO(st.st_mode)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    int available = 0;
    if (::ioctl(handle, FIONREAD, &available) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    if (totalAvailable)
        *totalAvailable = static_cast<DWORD>(available);
    if (available == 0 || size == 0 || !buffer) {
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    // Linux pipes have no peek of their own: tee() duplicates the front of
    // the pipe into a private pipe without consuming it, and we read that.
    int copy[2];
    if (::pipe2(copy, O_CLOEXEC | O_NONBLOCK) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    const std::size_t want = size < static_cast<DWORD>(available) ? size : static_cast<std::size_t>(available);
    ssize_t n = ::tee(handle, copy[1], want, SPLICE_F_NONBLOCK);
    ssize_t got = 0;
    if (n > 0) {
        while (got < n) {
            ssize_t r = ::read(copy[0], static_cast<char*>(buffer) + got, static_cast<std::size_t>(n - got));
            if (r <= 0)
                break;
            got += r;
        }
    }
    const int err = errno;
    ::close(copy[0]);
    ::close(copy[1]);
    if (n < 0 && err != EAGAIN) {
        SetLastError(Win32ErrorFromErrno(err));
        return FALSE;
    }
    if (bytesRead)
        *bytesRead = static_cast<DWORD>(got);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL ReadFile(int handle, void* buffer, DWORD size, DWORD* bytesRead)
{
    DWORD done = 0;
    while (done < size) {
        ssize_t r = ::read(handle, static_cast<char*>(buffer) + done, size - done);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            if (bytesRead)
                *bytesRead = done;
            SetLastErrorFromErrno();
            return FALSE;
        }
        if (r == 0)
            break;
        done += static_cast<DWORD>(r);
    }
    if (bytesRead)
        *bytesRead = done;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL CloseFileHandle(int handle)
{
    if (::close(handle) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

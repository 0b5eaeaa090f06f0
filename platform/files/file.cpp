#include "file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CFile::~CFile()
{
    Close();
}

BOOL CFile::Open(const std::string& path, UINT flags)
{
    Close();
    int oflags = O_CLOEXEC;
    if (flags & modeReadWrite)
        oflags |= O_RDWR;
    else if (flags & modeWrite)
        oflags |= O_WRONLY;
    else
        oflags |= O_RDONLY;
    if (flags & modeCreate) {
        oflags |= O_CREAT;
        if (!(flags & modeNoTruncate))
            oflags |= O_TRUNC;
    }
    int fd;
    while ((fd = ::open(path.c_str(), oflags, 0644)) < 0 && errno == EINTR) {}
    if (fd < 0) {
        SetLastError(errno == ENOENT && (flags & modeCreate) ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno));
        return FALSE;
    }
    m_fd = fd;
    m_path = path;
    return TRUE;
}

UINT CFile::Read(void* buffer, UINT count)
{
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    auto* p = static_cast<char*>(buffer);
    UINT done = 0;
    while (done < count) {
        ssize_t n = ::read(m_fd, p + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            SetLastErrorFromErrno();
            break;
        }
        if (n == 0)
            break;
        done += static_cast<UINT>(n);
    }
    return done;
}

BOOL CFile::Write(const void* buffer, UINT count)
{
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const auto* p = static_cast<const char*>(buffer);
    UINT done = 0;
    while (done < count) {
        ssize_t n = ::write(m_fd, p + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            SetLastErrorFromErrno();
            return FALSE;
        }
        done += static_cast<UINT>(n);
    }
    return TRUE;
}

LONGLONG CFile::Seek(LONGLONG offset, UINT from)
{
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    const int whence = from == current ? SEEK_CUR : from == end ? SEEK_END : SEEK_SET;
    off_t r = ::lseek(m_fd, offset, whence);
    if (r < 0)
        SetLastErrorFromErrno();
    return r;
}

LONGLONG CFile::GetPosition() const
{
    return m_fd < 0 ? -1 : ::lseek(m_fd, 0, SEEK_CUR);
}

LONGLONG CFile::GetLength() const
{
    struct stat st {};
    return m_fd >= 0 && ::fstat(m_fd, &st) == 0 ? st.st_size : -1;
}

BOOL CFile::Flush()
{
    return m_fd >= 0 && ::fdatasync(m_fd) == 0;
}

void CFile::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

#include "wintypes.h"

#include <cerrno>

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}

DWORD Win32ErrorFromErrno(int err)
{
    switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EISDIR: return ERROR_DIRECTORY;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EBUSY:
    case ETXTBSY: return ERROR_BUSY;
    case EIO: return ERROR_WRITE_FAULT;
    case EAGAIN: return ERROR_NO_DATA;
    case EINTR:
    case ECANCELED: return ERROR_OPERATION_ABORTED;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ECONNREFUSED: return ERROR_CONNECTION_REFUSED;
    case ENETUNREACH: return ERROR_NETWORK_UNREACHABLE;
    case EHOSTUNREACH: return ERROR_HOST_UNREACHABLE;
    case ECONNABORTED:
    case ECONNRESET: return ERROR_CONNECTION_ABORTED;
    case ENOSYS:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    default: return ERROR_INVALID_FUNCTION;
    }
}

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD err) { t_lastError = err; }

DWORD SetLastErrorFromErrno()
{
    t_lastError = Win32ErrorFromErrno(errno);
    return t_lastError;
}

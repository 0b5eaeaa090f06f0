#include "named_object.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Folder()
{
    std::string dir;
    if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && *r)
        dir = std::string(r) + "/velmora-named";
    else
        dir = "/tmp/velmora-named-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    return dir;
}

// Names may hold any character but '\0'; keep file names portable.
std::string FileFor(const std::string& name)
{
    static const char* hex = "0123456789abcdef";
    std::string out = Folder() + "/";
    for (unsigned char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

int Flock(int fd, int op)
{
    int r;
    while ((r = ::flock(fd, op)) != 0 && errno == EINTR) {}
    return r;
}

// Holds the folder lock for the duration of one create, open or close.
struct FolderLock {
    int fd;
    FolderLock() : fd(::open((Folder() + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (fd >= 0)
            Flock(fd, LOCK_EX);
    }
    ~FolderLock()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

enum class Claim { Fresh, Existing, Failed };

// Opens the object's file and takes a holder's claim on it.  With create, a
// missing or stale file becomes a fresh one; without, it fails.
Claim ClaimFile(const std::string& path, bool create, int& fdOut)
{
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
    if (fd < 0) {
        SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : Win32ErrorFromErrno(errno));
        return Claim::Failed;
    }
    // An exclusive lock that succeeds means no process holds the object.
    if (Flock(fd, LOCK_EX | LOCK_NB) == 0) {
        if (!create) {
            ::unlink(path.c_str());
            ::close(fd);
            SetLastError(ERROR_FILE_NOT_FOUND);
            return Claim::Failed;
        }
        if (::ftruncate(fd, 0) != 0 || Flock(fd, LOCK_SH) != 0) {
            SetLastErrorFromErrno();
            ::close(fd);
            return Claim::Failed;
        }
        fdOut = fd;
        return Claim::Fresh;
    }
    if (Flock(fd, LOCK_SH) != 0) {
        SetLastErrorFromErrno();
        ::close(fd);
        return Claim::Failed;
    }
    fdOut = fd;
    return Claim::Existing;
}

void* MapWhole(int fd, DWORD size)
{
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        SetLastErrorFromErrno();
        return nullptr;
    }
    return p;
}

} // namespace

std::unique_ptr<NamedBlock> NamedBlock::Create(const std::string& name, DWORD size, bool* alreadyExisted)
{
    if (alreadyExisted)
        *alreadyExisted = false;
    if (size == 0 || name.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    FolderLock folder;
    int fd = -1;
    Claim c = ClaimFile(FileFor(name), true, fd);
    if (c == Claim::Failed)
        return nullptr;
    if (c == Claim::Fresh) {
        if (::ftruncate(fd, size) != 0) {
            SetLastErrorFromErrno();
            ::close(fd);
            return nullptr;
        }
    } else {
        struct stat st {};
        ::fstat(fd, &st);
        size = static_cast<DWORD>(st.st_size);
        if (alreadyExisted)
            *alreadyExisted = true;
    }
    void* data = MapWhole(fd, size);
    if (!data) {
        ::close(fd);
        return nullptr;
    }
    SetLastError(c == Claim::Existing ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return std::unique_ptr<NamedBlock>(new NamedBlock(fd, data, size));
}

std::unique_ptr<NamedBlock> NamedBlock::Open(const std::string& name)
{
    if (name.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    FolderLock folder;
    int fd = -1;
    if (ClaimFile(FileFor(name), false, fd) == Claim::Failed)
        return nullptr;
    struct stat st {};
    ::fstat(fd, &st);
    const auto size = static_cast<DWORD>(st.st_size);
    void* data = size ? MapWhole(fd, size) : nullptr;
    if (!data) {
        ::close(fd);
        if (!size)
            SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return std::unique_ptr<NamedBlock>(new NamedBlock(fd, data, size));
}

NamedBlock::~NamedBlock()
{
    FolderLock folder;
    ::munmap(m_data, m_size);
    ::close(m_fd);
}

std::unique_ptr<NamedMutex> NamedMutex::Create(const std::string& name, bool* alreadyExisted)
{
    *alreadyExisted = false;
    if (name.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    FolderLock folder;
    int fd = -1;
    Claim c = ClaimFile(FileFor(name), true, fd);
    if (c == Claim::Failed)
        return nullptr;
    *alreadyExisted = c == Claim::Existing;
    SetLastError(*alreadyExisted ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return std::unique_ptr<NamedMutex>(new NamedMutex(fd));
}

NamedMutex::~NamedMutex()
{
    FolderLock folder;
    ::close(m_fd);
}

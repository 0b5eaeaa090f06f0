// Named shared blocks and named mutexes with Windows lifetime: a named object
// exists only while at least one process holds it, also when its creator was
// killed.  Each object is a file in $XDG_RUNTIME_DIR/velmora-named (or
// /tmp/velmora-named-<uid>); every holder keeps a shared flock on it, so the
// kernel releases a dead holder's claim.  An object whose file nobody holds
// is stale and counts as absent.  Create, open and close are serialised by a
// lock on the folder, so they never race with each other.
#pragma once

#include "core/wintypes.h"

#include <memory>
#include <string>

class NamedBlock {
public:
    // CreateFileMapping: creates the block zero-filled with size bytes, or
    // opens the existing one (then *alreadyExisted is true and the existing
    // size stands).  A size of 0 fails.  Null on failure, last error set.
    static std::unique_ptr<NamedBlock> Create(const std::string& name, DWORD size, bool* alreadyExisted = nullptr);
    // OpenFileMapping: the block when some process holds it, else null with
    // ERROR_FILE_NOT_FOUND.
    static std::unique_ptr<NamedBlock> Open(const std::string& name);

    ~NamedBlock(); // unmaps and gives up this holder's claim
    NamedBlock(const NamedBlock&) = delete;
    NamedBlock& operator=(const NamedBlock&) = delete;

    void* Data() const { return m_data; }
    DWORD Size() const { return m_size; }

private:
    NamedBlock(int fd, void* data, DWORD size) : m_fd(fd), m_data(data), m_size(size) {}
    int m_fd;
    void* m_data;
    DWORD m_size;
};

class NamedMutex {
public:
    // CreateMutex: claims the name; *alreadyExisted tells whether another
    // holder had it already (the single-instance test).  Null on failure.
    static std::unique_ptr<NamedMutex> Create(const std::string& name, bool* alreadyExisted);

    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

private:
    explicit NamedMutex(int fd) : m_fd(fd) {}
    int m_fd;
};

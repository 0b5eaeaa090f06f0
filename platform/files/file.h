// CFile: a binary file opened by path, as the recorder's writers use it.
// Unlike the original class it throws nothing: every operation reports its
// outcome, and the last error tells why it failed.  Not thread-safe; one
// owner at a time.
#pragma once

#include "core/wintypes.h"

#include <string>

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyWrite = 0x0020, // accepted, no effect here
        modeNoTruncate = 0x10000,
        modeCreate = 0x1000,
        typeBinary = 0x8000,
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile() = default;
    ~CFile(); // closes
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens path with the flags above; FALSE (and the last error) on failure.
    BOOL Open(const std::string& path, UINT flags);
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& GetFilePath() const { return m_path; }

    // Bytes read; 0 at the end or on failure.
    UINT Read(void* buffer, UINT count);
    // FALSE when not all bytes could be written (disk full, closed file...).
    BOOL Write(const void* buffer, UINT count);
    // The new position, or -1 on failure.
    LONGLONG Seek(LONGLONG offset, UINT from);
    LONGLONG SeekToBegin() { return Seek(0, begin); }
    LONGLONG SeekToEnd() { return Seek(0, end); }
    LONGLONG GetPosition() const;
    LONGLONG GetLength() const;
    BOOL Flush();
    // Safe at any time, also when not open.
    void Close();

private:
    int m_fd = -1;
    std::string m_path;
};

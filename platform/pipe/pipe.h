// Standard handles and anonymous pipes as the update programs read them:
// a look at what waits in a pipe without taking it, and reads that take an
// exact number of bytes.  Handles are file descriptors.
#pragma once

#include "core/wintypes.h"

constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);
constexpr int INVALID_HANDLE_VALUE = -1;

// The descriptor of a standard stream, or INVALID_HANDLE_VALUE.
int GetStdHandle(DWORD which);

// Copies up to size bytes from the front of the pipe into buffer without
// removing them and never waits: *bytesRead is what was copied (0 for an
// empty pipe), *totalAvailable what the pipe holds (either may be null).
// FALSE, with the last error, when the handle is no pipe (a terminal, a
// file) or the peek fails.  Not for a pipe that another thread reads.
BOOL PeekNamedPipe(int handle, void* buffer, DWORD size, DWORD* bytesRead, DWORD* totalAvailable);

// Reads until size bytes have arrived, the writer has gone or an error
// occurs; *bytesRead tells how many came.  FALSE with the last error on a
// failed read.
BOOL ReadFile(int handle, void* buffer, DWORD size, DWORD* bytesRead);

// Closes a descriptor handle; FALSE with the last error when it was none.
BOOL CloseFileHandle(int handle);

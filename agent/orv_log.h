// The agent's log: one line per step, handed to the optional logging library
// (QzLog.dll, entry "QzL_WriteLog").  Lines carry no time stamp, level or
// newline of their own; the library decides where they go.
#pragma once

#include <string>

using LogEntryFn = int (*)(const char16_t* line);

// Binds the logging library by its bare name; without it (or its entry) the
// log stays silent.  Called once at program load, before anything logs.
void BindLogLibrary();
void FreeLogLibrary();
// Sets the entry directly (tests); null silences the log.
void SetLogEntry(LogEntryFn entry);

// Formats by the printf rules the agent's lines use (%s takes a
// const char16_t*, %d, %u, %x, %X with flags and width, %f with precision)
// and hands the line to the library.  Nothing is formatted when no library
// is bound.
void WriteLog(const char16_t* format, ...);

// The formatting alone.
std::u16string FormatLine(const char16_t* format, ...);

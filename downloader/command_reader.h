// Commands on standard input: lines ended by a line feed, read without ever
// blocking.  Only the first 100 bytes waiting are looked at, so a line
// longer than that is never taken and holds up every line behind it.  A
// carriage return before the line feed stays part of the command.
#pragma once

#include <string>

namespace downloader {

constexpr unsigned kCommandPeekBytes = 100;

// Takes one complete command from the pipe behind handle, if one waits, and
// returns true with the command (line feed removed).  False, consuming
// nothing, when no pipe, no complete line within the first 100 bytes, or an
// error.
bool ReadCommand(int handle, std::u16string* command);

// Whether the command asks to cancel ("Cancel", any case).
bool IsCancelCommand(const std::u16string& command);

} // namespace downloader

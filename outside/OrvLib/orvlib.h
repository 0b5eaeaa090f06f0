// The update-support library's exports, reached by ordinal only.
//
//   Ordinal 7  int (char16_t* folder, int capacity)
//     Writes the support data folder, zero-terminated and without a trailing
//     separator, and creates it when missing: $XDG_DATA_HOME/Velmora/OrvData
//     (XDG_DATA_HOME defaults to ~/.local/share).  0 on success, else a Win32
//     error (the buffer then holds an empty string when it has room for one).
//
//   Ordinal 5  int (void* record, int* waiting)
//     Hands out the next waiting message once.  0 on success with *waiting
//     non-zero when a message was given: the 1 076-byte record then holds the
//     message identifier from byte 48 as a zero-terminated UTF-16 string
//     (the rest of the record is zero).  Any other result is a Win32 error
//     and gives no message.  Where messages lie: message_store.h.
#pragma once

#include <cstddef>

constexpr unsigned kOrvLibFolderOrdinal = 7;
constexpr unsigned kOrvLibMessageOrdinal = 5;
constexpr std::size_t kOrvMessageRecordSize = 1076;
constexpr std::size_t kOrvMessageIdOffset = 48;

using OrvGetDataFolderFn = int (*)(char16_t* folder, int capacity);
using OrvGetWaitingMessageFn = int (*)(void* record, int* waiting);

// The download library's exports, reached by ordinal only.  Strings are
// zero-terminated UTF-16.  Handles stay valid until ordinal 3.
//
//   7  int (const char16_t* tempDataPath, const char16_t* name)
//        Prepares the library (network set-up); call once before ordinal 1.
//        Returns 1.  The two values are accepted for the maker's callers;
//        this library keeps its partial data beside the destination instead.
//   1  void* (const char16_t* address, const char16_t* destination, int, int)
//        Starts downloading address (http, https with verified
//        certificates, or file) into destination on a thread of its own.
//        The data goes to a hidden temporary file in the destination's
//        folder that is renamed to the destination only when complete, so a
//        failed or cancelled download never leaves a partial destination.
//        Null when an argument is missing.
//   4  int (void* handle)  state: 1 running, 2 completed, 3 failed,
//        4 cancelled.  An unknown handle reads as failed.
//   2  void (void* handle, int64* done, int64* total)  bytes written so far
//        and the announced size (0 while unknown; once completed, total
//        equals done).
//   5  DWORD (void* handle)  error of a failed download (curl_errors.h),
//        ERROR_CANCELLED once cancelled, 0 otherwise.
//   6  void (void* handle)  asks the download to stop; it reaches state 4
//        within moments, even when the server sends nothing.
//   3  void ()  stops every download, waits for their threads and frees
//        all handles.
#pragma once

#include "core/wintypes.h"

#include <cstdint>

enum FetchState : int {
    FETCH_RUNNING = 1,
    FETCH_COMPLETED = 2,
    FETCH_FAILED = 3,
    FETCH_CANCELLED = 4,
};

using FetchPrepareFn = int (*)(const char16_t* tempDataPath, const char16_t* name);
using FetchStartFn = void* (*)(const char16_t* address, const char16_t* destination, int, int);
using FetchStateFn = int (*)(void* handle);
using FetchProgressFn = void (*)(void* handle, std::int64_t* done, std::int64_t* total);
using FetchErrorFn = DWORD (*)(void* handle);
using FetchCancelFn = void (*)(void* handle);
using FetchShutdownFn = void (*)();

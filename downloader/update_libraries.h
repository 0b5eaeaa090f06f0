// The two outside libraries the downloader calls, bound by ordinal from the
// program's folder.
#pragma once

#include "core/wintypes.h"
#include "fetchkit.h"

#include <string>

namespace downloader {

struct FetchkitCalls {
    FetchPrepareFn prepare;
    FetchStartFn start;
    FetchStateFn state;
    FetchProgressFn progress;
    FetchErrorFn error;
    FetchCancelFn cancel;
    FetchShutdownFn shutdown;
};

// Loads "Fetchkit.dll" and binds ordinals 1 to 7; ERROR_SUCCESS or the
// loader's error (126 library missing, 127 ordinal missing).  The library
// stays loaded for the life of the program.
DWORD BindFetchkit(FetchkitCalls* calls);

// The support data folder from "OrvLib.dll" ordinal 7 (260 characters);
// ERROR_SUCCESS or the loader's error.
DWORD GetSupportDataFolder(std::u16string* folder);

} // namespace downloader

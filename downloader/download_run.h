// The downloader's work once its arguments are known: prepare the library,
// start the download, then every 100 ms look at its state, print progress
// and take one command from standard input, until it has ended.
#pragma once

#include "core/wintypes.h"
#include "update_libraries.h"

#include <cstdio>
#include <string>

namespace downloader {

// Returns the exit code: 0 completed, 1223 cancelled, else the library's
// error.  Progress lines "PROC:done/total" go to out whenever the byte
// count changed; commands come from the pipe behind input.
DWORD RunDownload(const FetchkitCalls& fetch, const std::u16string& supportFolder, const std::u16string& address,
    const std::u16string& destination, int input, std::FILE* out);

} // namespace downloader

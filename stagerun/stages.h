// The relauncher's two stages.  Each returns the program's exit code.
#pragma once

#include "core/wintypes.h"

#include <cstdio>
#include <string>
#include <vector>

namespace stagerun {

// Copies the running program to a new temporary executable and starts the
// copy hidden with "/Exec" and the quoted arguments, without waiting.
// 0, or the error of starting the copy.
DWORD RunFirstStage(const std::vector<std::string>& args);

// Opens "/Cmd" with "/Param" and waits for it, then opens "/ExePath".
// 160 without parameters (nothing is started); otherwise 0 or the error of
// the launch that failed last, which is also printed as "err: N" to out
// when the command failed.
DWORD RunSecondStage(const std::vector<std::string>& args, std::FILE* out);

} // namespace stagerun

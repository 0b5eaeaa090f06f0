#include "stages.h"

#include "files/tempfile.h"
#include "module/module.h"
#include "process/process.h"
#include "stage_options.h"

#include <filesystem>

namespace stagerun {

DWORD RunFirstStage(const std::vector<std::string>& args)
{
    const std::string self = GetModuleFileName();
    // The empty .tmp file keeps the name taken; the copy sits beside it.
    const std::string copy = GetTempFileName(GetTempPath(), "stg") + ".exe";
    std::error_code ignored;
    std::filesystem::copy_file(self, copy, std::filesystem::copy_options::overwrite_existing, ignored);

    if (!ShellExecuteEx("open", copy, FirstStageParameters(args), "", SW_HIDE, nullptr))
        return GetLastError();
    return ERROR_SUCCESS;
}

DWORD RunSecondStage(const std::vector<std::string>& args, std::FILE* out)
{
    const SecondStageOptions o = ParseSecondStage(args);
    if (o.parameters.empty())
        return ERROR_BAD_ARGUMENTS;

    DWORD result = ERROR_SUCCESS;
    HPROCESS process = nullptr;
    if (ShellExecuteEx("open", o.command, o.parameters, "", SW_SHOW, &process)) {
        if (process) {
            WaitForSingleObject(process, INFINITE);
            CloseHandle(process);
        }
    } else {
        result = GetLastError();
        std::fprintf(out, "err: %d", static_cast<int>(result));
        std::fflush(out);
    }
    if (o.exePath && !ShellExecuteEx("open", *o.exePath, "", "", SW_SHOWNORMAL, nullptr))
        result = GetLastError();
    return result;
}

} // namespace stagerun

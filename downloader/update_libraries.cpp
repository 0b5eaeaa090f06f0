#include "update_libraries.h"

#include "fetchkit.h"
#include "module/module.h"
#include "orvlib.h"

namespace downloader {

namespace {

template <class Fn> bool Bind(HMODULE module, unsigned ordinal, Fn* fn)
{
    *fn = reinterpret_cast<Fn>(GetProcAddressOrdinal(module, ordinal));
    return *fn != nullptr;
}

} // namespace

DWORD BindFetchkit(FetchkitCalls* c)
{
    HMODULE lib = LoadLibrary("Fetchkit.dll");
    if (!lib)
        return GetLastError();
    const bool all = Bind(lib, 7, &c->prepare) && Bind(lib, 1, &c->start) && Bind(lib, 4, &c->state)
        && Bind(lib, 2, &c->progress) && Bind(lib, 5, &c->error) && Bind(lib, 6, &c->cancel)
        && Bind(lib, 3, &c->shutdown);
    return all ? ERROR_SUCCESS : ERROR_PROC_NOT_FOUND;
}

DWORD GetSupportDataFolder(std::u16string* folder)
{
    HMODULE lib = LoadLibrary("OrvLib.dll");
    if (!lib)
        return GetLastError();
    OrvGetDataFolderFn get = nullptr;
    if (!Bind(lib, kOrvLibFolderOrdinal, &get))
        return ERROR_PROC_NOT_FOUND;
    char16_t buffer[260] = {};
    get(buffer, 260);
    *folder = buffer;
    return ERROR_SUCCESS;
}

} // namespace downloader

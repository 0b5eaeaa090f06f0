#include "support_folder.h"

#include "core/text.h"
#include "module/module.h"
#include "orvlib.h"

std::string SupportDataFolder()
{
    HMODULE lib = LoadLibrary("OrvLib.dll");
    auto fn = lib ? reinterpret_cast<OrvGetDataFolderFn>(GetProcAddressOrdinal(lib, kOrvLibFolderOrdinal)) : nullptr;
    char16_t buffer[260] = {};
    if (fn)
        fn(buffer, 260);
    buffer[259] = 0;
    if (lib)
        FreeLibrary(lib);
    return Utf16ToUtf8(buffer);
}

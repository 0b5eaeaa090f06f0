#include "support_folder.h"

#include "core/text.h"
#include "module/module.h"

std::string SupportDataFolder()
{
    using DataFolderFn = int (*)(char16_t* buffer, int capacity);
    HMODULE lib = LoadLibrary("OrvLib.dll");
    auto fn = lib ? reinterpret_cast<DataFolderFn>(GetProcAddressOrdinal(lib, 7)) : nullptr;
    char16_t buffer[260] = {};
    if (fn)
        fn(buffer, 260);
    buffer[259] = 0;
    if (lib)
        FreeLibrary(lib);
    return Utf16ToUtf8(buffer);
}

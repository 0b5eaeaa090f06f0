// regsvr [-u] PATH: registers (or with -u unregisters) the in-process server
// at PATH by calling its DllRegisterServer (DllUnregisterServer).
//
// Exit codes: 0 done, 1 bad arguments, 3 the server cannot be loaded,
// 4 it lacks the entry point, 5 the entry point failed.
#include "com/com.h"
#include "module/module.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    int first = 1;
    const bool unregister = argc > 1 && std::strcmp(argv[1], "-u") == 0;
    if (unregister)
        ++first;
    if (argc != first + 1 || !*argv[first]) {
        std::fprintf(stderr, "usage: regsvr [-u] PATH\n");
        return 1;
    }
    const char* path = argv[first];
    HMODULE module = LoadLibrary(path);
    if (!module) {
        std::fprintf(stderr, "regsvr: cannot load %s\n", path);
        return 3;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto fn = GetProc<PFN_DllRegisterServer>(module, entry);
    if (!fn) {
        std::fprintf(stderr, "regsvr: %s has no %s\n", path, entry);
        FreeLibrary(module);
        return 4;
    }
    HRESULT hr = fn();
    FreeLibrary(module);
    if (FAILED(hr)) {
        std::fprintf(stderr, "regsvr: %s of %s failed: 0x%08X\n", entry, path, static_cast<unsigned>(hr));
        return 5;
    }
    return 0;
}

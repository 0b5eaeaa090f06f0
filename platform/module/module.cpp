#include "module.h"

#include "core/text.h"

#include <climits>
#include <dlfcn.h>
#include <string_view>
#include <unistd.h>

std::string GetModuleFileName()
{
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

std::string GetProgramFolder()
{
    std::string path = GetModuleFileName();
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

std::string GetModulePathOf(const void* addressInModule)
{
    Dl_info info{};
    if (!::dladdr(addressInModule, &info) || !info.dli_fname)
        return {};
    std::string path = info.dli_fname;
    if (path.find('/') == std::string::npos)
        return GetModuleFileName(); // the main program reports its bare name
    char real[PATH_MAX];
    return ::realpath(path.c_str(), real) ? std::string(real) : path;
}

std::string ModuleFileName(const std::string& windowsName)
{
    std::string_view n(windowsName);
    std::size_t slash = n.rfind('/');
    std::string_view folder = slash == std::string_view::npos ? std::string_view() : n.substr(0, slash + 1);
    std::string_view file = slash == std::string_view::npos ? n : n.substr(slash + 1);
    if (file.size() > 4 && EqualsNoCase(file.substr(file.size() - 4), ".dll"))
        return std::string(folder) + "lib" + std::string(file.substr(0, file.size() - 4)) + ".so";
    if (file.size() > 4 && EqualsNoCase(file.substr(file.size() - 4), ".exe"))
        return std::string(folder) + std::string(file.substr(0, file.size() - 4));
    return windowsName;
}

HMODULE LoadLibrary(const std::string& name)
{
    const std::string file = ModuleFileName(name);
    void* h = nullptr;
    if (file.find('/') != std::string::npos) {
        h = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    } else {
        h = ::dlopen((GetProgramFolder() + "/" + file).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!h)
            h = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    SetLastError(h ? ERROR_SUCCESS : ERROR_MOD_NOT_FOUND);
    return static_cast<HMODULE>(h);
}

void* GetProcAddress(HMODULE module, const char* name)
{
    void* p = module ? ::dlsym(module, name) : nullptr;
    SetLastError(p ? ERROR_SUCCESS : ERROR_PROC_NOT_FOUND);
    return p;
}

void* GetProcAddressOrdinal(HMODULE module, unsigned ordinal)
{
    return GetProcAddress(module, ("Ordinal" + std::to_string(ordinal)).c_str());
}

BOOL FreeLibrary(HMODULE module)
{
    return module && ::dlclose(module) == 0;
}

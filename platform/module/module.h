// Module paths and run-time libraries.
//
// Module names of the original platform map to file names by one rule:
//   "X.dll" -> "libX.so"   (any case of ".dll")
//   "X.exe" -> "X"
// other names are used as they are.  LoadLibrary of a bare name looks in the
// program's own folder first, then in the system's library search; a name
// with a '/' is loaded from exactly that path.
//
// Ordinal exports (fixed numbers instead of names) are plain exports named
// "Ordinal<N>", declared with QX_ORDINAL_EXPORT below.
#pragma once

#include "core/wintypes.h"

#include <string>

struct ModuleHandle;
using HMODULE = ModuleHandle*;

#define QX_EXPORT extern "C" __attribute__((visibility("default")))
#define QX_ORDINAL_NAME(n) "Ordinal" #n

// Full path of the running program (/proc/self/exe).
std::string GetModuleFileName();
// The running program's folder, without a trailing separator.
std::string GetProgramFolder();
// Full path of the shared object or program that holds the given address
// (for a library finding its own file, as a server's registration does).
std::string GetModulePathOf(const void* addressInModule);

// The file name of a module name by the rule above.
std::string ModuleFileName(const std::string& windowsName);

// Null on failure, with the last error ERROR_MOD_NOT_FOUND.
HMODULE LoadLibrary(const std::string& name);
// Null when the module lacks the export (last error ERROR_PROC_NOT_FOUND).
void* GetProcAddress(HMODULE module, const char* name);
void* GetProcAddressOrdinal(HMODULE module, unsigned ordinal);
BOOL FreeLibrary(HMODULE module);

template <class Fn> Fn GetProc(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(GetProcAddress(module, name));
}

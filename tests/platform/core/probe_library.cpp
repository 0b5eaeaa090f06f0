#include "module/module.h"

QX_EXPORT int ProbeAnswer() { return 42; }
QX_EXPORT int Ordinal7() { return 7; }
QX_EXPORT const char* ProbeOwnPath()
{
    static std::string path = GetModulePathOf(reinterpret_cast<const void*>(&ProbeAnswer));
    return path.c_str();
}

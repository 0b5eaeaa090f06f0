#include "locale.h"

#include <cstdlib>
#include <string_view>

LCID GetSystemDefaultLCID()
{
    const char* name = nullptr;
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) {
            name = v;
            break;
        }
    }
    if (!name)
        return LCID_ENGLISH_US;
    std::string_view n(name);
    if (n == "ja" || n.starts_with("ja_") || n.starts_with("ja."))
        return LCID_JAPANESE;
    return LCID_ENGLISH_US;
}

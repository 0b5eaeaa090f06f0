// GUIDs: the 16-byte identifiers of classes, interfaces and media types, and
// their registry form "{6FCF00BB-35B9-4186-8A27-8587CD0A3F8C}".
#pragma once

#include "core/wintypes.h"

#include <optional>
#include <string>
#include <string_view>

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16, "GUID must be the 16-byte record");

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool IsEqualGUID(REFGUID a, REFGUID b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3
        && std::string_view(reinterpret_cast<const char*>(a.Data4), 8)
        == std::string_view(reinterpret_cast<const char*>(b.Data4), 8);
}
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }

extern const GUID GUID_NULL;
#define CLSID_NULL GUID_NULL

// Upper-case registry form with braces.
std::string StringFromGUID(REFGUID guid);
// Accepts the registry form in either case; nothing for anything else.
std::optional<GUID> GUIDFromString(std::string_view text);

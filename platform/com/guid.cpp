#include "guid.h"

#include <cstdio>

const GUID GUID_NULL = {};

std::string StringFromGUID(REFGUID g)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
        g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
        g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

std::optional<GUID> GUIDFromString(std::string_view text)
{
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: 38 characters, dashes at fixed places.
    if (text.size() != 38 || text.front() != '{' || text.back() != '}')
        return std::nullopt;
    BYTE bytes[16];
    int n = 0;
    for (std::size_t i = 1; i < 37;) {
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (text[i] != '-')
                return std::nullopt;
            ++i;
            continue;
        }
        auto hex = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        int hi = hex(text[i]), lo = hex(text[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes[n++] = static_cast<BYTE>(hi << 4 | lo);
        i += 2;
    }
    GUID g;
    g.Data1 = DWORD(bytes[0]) << 24 | DWORD(bytes[1]) << 16 | DWORD(bytes[2]) << 8 | bytes[3];
    g.Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
    g.Data3 = static_cast<WORD>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = bytes[8 + i];
    return g;
}

// The lookup record of the constants library's CDL_GetConstData: the caller
// owns the key and the value buffer.
#pragma once

#include <cstdint>

struct CDL_CONSTDATA {
    const char16_t* key;
    char16_t* value;
    std::int32_t capacity; // characters, terminator included
    std::int32_t found;    // 1 when a value was stored
};

extern "C" int CDL_GetConstData(CDL_CONSTDATA* records, int count);

// Paramkit: named constants read from "const.xml" (and, when present,
// "constDebug.xml") in the folder of the calling program's executable, so
// values can change without rebuilding the programs.
#pragma once

#include <cstdint>

// One lookup.  The caller owns both strings.
struct ConstDataRecord {
    const char16_t* key;   // XPath of the element, such as u"/data/checkInterval"
    char16_t* value;       // receives the element's text, zero-terminated
    std::int32_t capacity; // size of value in characters, terminator included
    std::int32_t found;    // out: 1 when a value was stored, else 0
};

// Fills the records from const.xml, then lets constDebug.xml replace what it
// also has.  A text is stored only when it is shorter than the capacity;
// a key that selects nothing leaves its record as it was.  Returns 1 when
// const.xml could be loaded, else 0 (records may still be filled from
// constDebug.xml).  Thread-safe; also exported as ordinal 1.
extern "C" __attribute__((visibility("default"))) std::int32_t CDL_GetConstData(ConstDataRecord* records,
    std::int32_t count);

// The system default locale, taken from the environment the way the C
// library reads it: LC_ALL, else LC_MESSAGES, else LANG.
#pragma once

#include "wintypes.h"

constexpr LCID LCID_JAPANESE = 1041;
constexpr LCID LCID_ENGLISH_US = 1033;

// 1041 for a Japanese locale (a "ja" or "ja_*" name), 1033 otherwise.
LCID GetSystemDefaultLCID();

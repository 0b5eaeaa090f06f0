// Text conversions between the system's encodings.  The recorder keeps UTF-8;
// the update programs and the cross-program entry points use UTF-16; byte
// limits of the recorder are counted in the Japanese code page (CP932).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Number of bytes the text takes in the Japanese code page.  A character the
// code page lacks counts as one byte, as its '?' replacement would.
std::size_t Cp932ByteLength(std::string_view utf8);

// ASCII-only case folding, as the system's case-insensitive comparisons of
// names and extensions use.
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view s);

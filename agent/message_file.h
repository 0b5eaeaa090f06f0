// Naming the temporary file a message archive is downloaded into.
#pragma once

#include <string>

// The extension of an address by the shell's rule (from the last dot that no
// backslash or space follows; '/' is an ordinary character), used only when
// it has 1 to 4 characters after the dot, all ASCII letters.  Empty when
// none is used.
std::u16string MessageFileExtension(const std::u16string& url);

// A temporary name ("....tmp") with its extension replaced.
std::u16string ReplaceTempExtension(const std::u16string& tempName, const std::u16string& extension);

// Folder and name joined with one separator.
std::u16string PathAppend(const std::u16string& folder, const std::u16string& name);

#include "command_reader.h"

#include "core/text.h"
#include "pipe/pipe.h"

#include <cstring>

namespace downloader {

bool ReadCommand(int handle, std::u16string* command)
{
    char peeked[kCommandPeekBytes];
    DWORD got = 0;
    if (!PeekNamedPipe(handle, peeked, sizeof peeked, &got, nullptr) || got == 0)
        return false;
    const void* lf = std::memchr(peeked, '\n', got);
    if (!lf)
        return false;
    const DWORD lineBytes = static_cast<DWORD>(static_cast<const char*>(lf) - peeked) + 1;
    char line[kCommandPeekBytes];
    DWORD read = 0;
    if (!ReadFile(handle, line, lineBytes, &read) || read != lineBytes)
        return false;
    *command = Utf8ToUtf16(std::string_view(line, lineBytes - 1));
    return true;
}

bool IsCancelCommand(const std::u16string& command)
{
    return EqualsNoCase(Utf16ToUtf8(command), "Cancel");
}

} // namespace downloader

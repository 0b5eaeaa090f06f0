// Exports of the update-support library (see orvlib.h).
#include "orvlib.h"

#include "core/text.h"
#include "message_store.h"
#include "module/module.h"

#include <cstring>

QX_EXPORT int Ordinal7(char16_t* folder, int capacity)
{
    if (!folder || capacity <= 0)
        return ERROR_INVALID_PARAMETER;
    folder[0] = u'\0';
    DWORD err = ERROR_SUCCESS;
    const std::u16string path = Utf8ToUtf16(orvlib::SupportDataFolder(&err));
    if (err != ERROR_SUCCESS)
        return static_cast<int>(err);
    if (path.size() >= static_cast<std::size_t>(capacity))
        return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(folder, path.c_str(), (path.size() + 1) * sizeof(char16_t));
    return ERROR_SUCCESS;
}

QX_EXPORT int Ordinal5(void* record, int* waiting)
{
    if (!record || !waiting)
        return ERROR_INVALID_PARAMETER;
    *waiting = 0;
    DWORD err = ERROR_SUCCESS;
    const std::string folder = orvlib::SupportDataFolder(&err);
    if (err != ERROR_SUCCESS)
        return static_cast<int>(err);
    std::u16string id;
    err = orvlib::TakeWaitingMessage(folder, &id);
    if (err != ERROR_SUCCESS || id.empty())
        return static_cast<int>(err);
    auto* bytes = static_cast<unsigned char*>(record);
    std::memset(bytes, 0, kOrvMessageRecordSize);
    std::memcpy(bytes + kOrvMessageIdOffset, id.c_str(), (id.size() + 1) * sizeof(char16_t));
    *waiting = 1;
    return ERROR_SUCCESS;
}

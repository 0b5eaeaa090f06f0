// Where the update-support library keeps its data.
//
// Support data folder: $XDG_DATA_HOME/Velmora/OrvData (XDG_DATA_HOME unset
// or relative: ~/.local/share).  The agent unpacks the maker's message
// archive into it; the archive carries a folder "messages" with one entry
// (file or folder) per message, named by the message identifier.  Entries
// are handed out in byte order of their names.  An identifier handed out is
// appended as a UTF-8 line to "shown.txt" beside "messages", so a newer
// archive that still holds it does not show it again.  Names starting with
// '.' and names longer than the record's room (513 UTF-16 characters) are
// skipped.
#pragma once

#include "core/wintypes.h"

#include <string>

namespace orvlib {

// The folder's path, created when missing; empty with the error on failure.
std::string SupportDataFolder(DWORD* error);

// The next message not yet shown, marked as shown.  ERROR_SUCCESS with an
// empty identifier when none waits.
DWORD TakeWaitingMessage(const std::string& folder, std::u16string* id);

} // namespace orvlib

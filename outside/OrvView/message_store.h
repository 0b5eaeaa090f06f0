// The messages the viewer shows, in the folder "messages" of the support
// data folder: a file there is a message's text; a folder holds it as
// "message.txt".
#pragma once

#include <optional>
#include <string>

// An identifier names one file: not empty, no '/', not "." or "..".
bool IsValidMessageId(const std::string& id);

// The message text of that identifier, or nothing when it is not there.
std::optional<std::string> LoadMessageText(const std::string& dataFolder, const std::string& id);

#include "message_store.h"

#include <filesystem>
#include <fstream>
#include <sstream>

bool IsValidMessageId(const std::string& id)
{
    return !id.empty() && id != "." && id != ".." && id.find('/') == std::string::npos
        && id.find('\0') == std::string::npos;
}

std::optional<std::string> LoadMessageText(const std::string& dataFolder, const std::string& id)
{
    if (!IsValidMessageId(id))
        return std::nullopt;
    std::string path = dataFolder + "/messages/" + id;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        path += "/message.txt";
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

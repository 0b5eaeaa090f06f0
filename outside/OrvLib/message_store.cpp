#include "message_store.h"

#include "core/text.h"
#include "orvlib.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

namespace fs = std::filesystem;

namespace orvlib {

namespace {

constexpr std::size_t kMaxIdChars = (kOrvMessageRecordSize - kOrvMessageIdOffset) / 2 - 1;

DWORD ErrorOf(const std::error_code& ec)
{
    DWORD e = ec.category() == std::generic_category() || ec.category() == std::system_category()
        ? Win32ErrorFromErrno(ec.value())
        : ERROR_INVALID_FUNCTION;
    return e == ERROR_SUCCESS ? ERROR_INVALID_FUNCTION : e;
}

std::string DataHome()
{
    // Relative values are to be ignored by the XDG rules.
    if (const char* d = std::getenv("XDG_DATA_HOME"); d && d[0] == '/')
        return d;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "") + "/.local/share";
}

std::set<std::string> ReadShown(const fs::path& file)
{
    std::set<std::string> shown;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);)
        shown.insert(line);
    return shown;
}

} // namespace

std::string SupportDataFolder(DWORD* error)
{
    const std::string folder = DataHome() + "/Velmora/OrvData";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        *error = ec ? ErrorOf(ec) : ERROR_DIRECTORY;
        return {};
    }
    *error = ERROR_SUCCESS;
    return folder;
}

DWORD TakeWaitingMessage(const std::string& folder, std::u16string* id)
{
    id->clear();
    const fs::path messages = fs::path(folder) / "messages";
    std::error_code ec;
    if (!fs::exists(messages, ec))
        return ec ? ErrorOf(ec) : ERROR_SUCCESS;

    std::vector<std::string> names;
    for (fs::directory_iterator it(messages, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    if (ec)
        return ErrorOf(ec);
    std::sort(names.begin(), names.end());

    const fs::path shownFile = fs::path(folder) / "shown.txt";
    const std::set<std::string> shown = ReadShown(shownFile);
    for (const std::string& name : names) {
        if (name.empty() || name[0] == '.' || shown.count(name))
            continue;
        std::u16string wide = Utf8ToUtf16(name);
        if (wide.size() > kMaxIdChars)
            continue;
        // Marked before it is handed out: a message that cannot be marked
        // would otherwise pop up again every minute.
        std::ofstream out(shownFile, std::ios::binary | std::ios::app);
        out << name << '\n';
        out.flush();
        if (!out)
            return ERROR_WRITE_FAULT;
        *id = std::move(wide);
        return ERROR_SUCCESS;
    }
    return ERROR_SUCCESS;
}

} // namespace orvlib

// Patchrun: the maker's update program.  It reads the update manifest
// ("update.manifest", lines "product=version") from the support data folder
// when one is there, records the run in "patchrun.log" beside it, and ends
// at once: the agent never waits for it, and it installs nothing itself.
#include "process/process.h"
#include "support_folder.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> ReadManifest(const std::string& path, bool* present)
{
    std::vector<std::string> entries;
    std::ifstream in(path);
    *present = static_cast<bool>(in);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] != '#' && line.find('=') != std::string::npos)
            entries.push_back(line);
    }
    return entries;
}

DWORD Run()
{
    const std::string folder = SupportDataFolder();
    if (folder.empty())
        return ERROR_PATH_NOT_FOUND;
    bool present = false;
    const auto entries = ReadManifest(folder + "/update.manifest", &present);

    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::string record = std::string(stamp) + " Patchrun ran; ";
    if (!present) {
        record += "no manifest";
    } else {
        record += "manifest:";
        for (const auto& e : entries)
            record += " " + e;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::ofstream out(folder + "/patchrun.log", std::ios::app);
    out << record << "\n";
    return out ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

} // namespace

int main()
{
    return ExitCodeForMain(Run());
}

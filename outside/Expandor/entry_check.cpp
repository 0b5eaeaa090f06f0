#include "entry_check.h"

#include <set>

namespace {

std::vector<std::string> Components(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
        std::size_t j = path.find('/', i);
        if (j == std::string::npos)
            j = path.size();
        std::string part = path.substr(i, j - i);
        if (!part.empty() && part != ".")
            parts.push_back(part);
        i = j + 1;
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts, std::size_t count)
{
    std::string s;
    for (std::size_t i = 0; i < count; ++i)
        s += (i ? "/" : "") + parts[i];
    return s;
}

// A relative path without "..": its normal form, or empty when unsafe.
std::string Normal(const std::string& path)
{
    if (path.empty() || path[0] == '/')
        return {};
    const auto parts = Components(path);
    for (const auto& p : parts)
        if (p == "..")
            return {};
    return Join(parts, parts.size());
}

// Resolves a link target against the link's folder, without following
// links: false when it leaves the folder or passes through a link of the
// archive (which could lead anywhere).
bool TargetStaysInside(const std::string& linkPath, const std::string& target, const std::set<std::string>& links)
{
    if (target.empty() || target[0] == '/')
        return false;
    std::vector<std::string> parts = Components(linkPath);
    parts.pop_back(); // the link's own name
    for (const auto& p : Components(target)) {
        if (p == "..") {
            if (parts.empty())
                return false;
            parts.pop_back();
        } else {
            parts.push_back(p);
            if (links.count(Join(parts, parts.size())))
                return false;
        }
    }
    return true;
}

// Whether a proper prefix of the path (or the whole, when withSelf) is a link.
bool ThroughLink(const std::string& normal, const std::set<std::string>& links, bool withSelf)
{
    const auto parts = Components(normal);
    const std::size_t n = withSelf ? parts.size() : (parts.empty() ? 0 : parts.size() - 1);
    for (std::size_t i = 1; i <= n; ++i)
        if (links.count(Join(parts, i)))
            return true;
    return false;
}

} // namespace

bool AllEntriesSafe(const std::vector<ArchiveEntry>& entries, std::string* refused)
{
    std::set<std::string> links;
    for (const auto& e : entries)
        if (e.type == ArchiveEntry::Symlink)
            links.insert(Normal(e.path));

    for (const auto& e : entries) {
        // "./" of an archive made from inside its folder: the folder itself.
        if (e.type == ArchiveEntry::Folder && !e.path.empty() && e.path[0] != '/' && Components(e.path).empty())
            continue;
        const std::string normal = Normal(e.path);
        if (normal.empty() || e.type == ArchiveEntry::Other || ThroughLink(normal, links, false))
            return *refused = e.path, false;
        if (e.type == ArchiveEntry::Hardlink) {
            const std::string target = Normal(e.target);
            if (target.empty() || ThroughLink(target, links, true))
                return *refused = e.path, false;
        }
        if (e.type == ArchiveEntry::Symlink) {
            if (!TargetStaysInside(normal, e.target, links))
                return *refused = e.path, false;
        }
    }
    return true;
}

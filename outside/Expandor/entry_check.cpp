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
// links: the normal form, or empty when it leaves the folder.
std::string ResolveTarget(const std::string& linkPath, const std::string& target, bool* ok)
{
    *ok = false;
    if (target.empty() || target[0] == '/')
        return {};
    std::vector<std::string> parts = Components(linkPath);
    parts.pop_back(); // the link's own name
    for (const auto& p : Components(target)) {
        if (p == "..") {
            if (parts.empty())
                return {};
            parts.pop_back();
        } else {
            parts.push_back(p);
        }
    }
    *ok = true;
    return Join(parts, parts.size());
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

std::string FirstUnsafeEntry(const std::vector<ArchiveEntry>& entries)
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
            return e.path;
        if (e.type == ArchiveEntry::Hardlink) {
            const std::string target = Normal(e.target);
            if (target.empty() || ThroughLink(target, links, true))
                return e.path;
        }
        if (e.type == ArchiveEntry::Symlink) {
            bool ok;
            const std::string target = ResolveTarget(normal, e.target, &ok);
            // A link to the folder itself is harmless; one through another
            // link could be led anywhere by that link.
            if (!ok || ThroughLink(target, links, true))
                return e.path;
        }
    }
    return {};
}

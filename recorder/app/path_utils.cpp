#include "path_utils.h"

#include "core/text.h"

#include <cstring>
#include <sys/stat.h>

const char* GetFileNamePart(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

CPathParts::CPathParts(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    m_folder = path.substr(0, nameStart);
    const std::string file = path.substr(nameStart);
    const std::size_t dot = file.rfind('.');
    if (dot == std::string::npos) {
        m_name = file;
    } else {
        m_name = file.substr(0, dot);
        m_ext = file.substr(dot);
    }
}

BOOL EnsureExtension(std::string& path, const std::string& extension)
{
    const std::string suffix = "." + extension;
    if (path.size() >= suffix.size() && EqualsNoCase(std::string_view(path).substr(path.size() - suffix.size()), suffix))
        return FALSE;
    path += suffix;
    return TRUE;
}

BOOL FileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

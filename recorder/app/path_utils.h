// Path helpers of the recorder's output naming and start-up.  Paths are
// UTF-8 with '/' as the separator; neither '/' nor '.' can occur inside a
// multibyte character there, so plain byte searches are safe.
#pragma once

#include "core/wintypes.h"

#include <string>

// The characters after the last separator, or the whole path without one.
const char* GetFileNamePart(const char* path);

// A path split into drive, folder, name and extension.  There are no drive
// letters here, so the drive is always empty; the folder keeps its leading
// and trailing separator, the extension its dot.  Parts are not truncated.
class CPathParts {
public:
    explicit CPathParts(const std::string& path);

    std::string GetDrive() const { return m_drive; }
    std::string GetFolder() const { return m_folder; }
    const std::string& GetName() const { return m_name; }
    const std::string& GetExtension() const { return m_ext; }

private:
    std::string m_drive, m_folder, m_name, m_ext;
};

// Appends "." + extension (given without its dot) unless the path already
// ends with it, compared without regard to case.  TRUE when it appended.
BOOL EnsureExtension(std::string& path, const std::string& extension);

// TRUE when path names an existing entry that is not a folder.
BOOL FileExists(const std::string& path);

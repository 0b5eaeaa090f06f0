// Which archive entries may be unpacked: every entry must land inside the
// destination folder, and every link must point inside it, also when links
// are followed one after another.
#pragma once

#include <string>
#include <vector>

struct ArchiveEntry {
    enum Type { File, Folder, Symlink, Hardlink, Other };
    std::string path;
    Type type = File;
    std::string target; // links only
};

// True when every entry is safe; else false with the path of the first
// refused entry.  Refused: empty or absolute paths, ".." components, special files, hard
// links to a path that is not itself safe, symbolic links that are absolute
// or lead out of the folder, and paths or link targets that pass through a
// symbolic link of the archive (the links' own targets are not followed).
bool AllEntriesSafe(const std::vector<ArchiveEntry>& entries, std::string* refused);

// Expandor ARCHIVE DESTFOLDER: unpacks a zip or tar (optionally gzip-packed)
// archive into the folder.  The archive is read twice: first every entry is
// checked (see entry_check.h), and only when all are safe is anything
// written, so a refused archive leaves no file anywhere.
//
// Exit codes: 0 done; 160 not two arguments; 2 archive missing; 3 folder
// cannot be made; 11 not a readable zip or tar archive; 13 an entry would
// leave the folder; 29 writing failed (entries before it stay).
#include "entry_check.h"
#include "process/process.h"

#include <archive.h>
#include <archive_entry.h>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace {

using ArchivePtr = std::unique_ptr<archive, int (*)(archive*)>;

ArchivePtr OpenReader(const std::string& path)
{
    ArchivePtr a(archive_read_new(), archive_read_free);
    archive_read_support_format_zip(a.get());
    archive_read_support_format_tar(a.get());
    archive_read_support_format_gnutar(a.get());
    archive_read_support_filter_gzip(a.get());
    archive_read_support_filter_none(a.get());
    if (archive_read_open_filename(a.get(), path.c_str(), 64 * 1024) != ARCHIVE_OK)
        return ArchivePtr(nullptr, archive_read_free);
    return a;
}

ArchiveEntry Describe(archive_entry* entry)
{
    ArchiveEntry e;
    const char* path = archive_entry_pathname(entry);
    e.path = path ? path : "";
    if (const char* hard = archive_entry_hardlink(entry)) {
        e.type = ArchiveEntry::Hardlink;
        e.target = hard;
        return e;
    }
    switch (archive_entry_filetype(entry)) {
    case AE_IFREG: e.type = ArchiveEntry::File; break;
    case AE_IFDIR: e.type = ArchiveEntry::Folder; break;
    case AE_IFLNK:
        e.type = ArchiveEntry::Symlink;
        e.target = archive_entry_symlink(entry) ? archive_entry_symlink(entry) : "";
        break;
    default: e.type = ArchiveEntry::Other; break;
    }
    return e;
}

DWORD Check(const std::string& archivePath)
{
    ArchivePtr a = OpenReader(archivePath);
    if (!a)
        return ERROR_BAD_FORMAT;
    std::vector<ArchiveEntry> entries;
    archive_entry* entry;
    int r;
    while ((r = archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK || r == ARCHIVE_WARN)
        entries.push_back(Describe(entry));
    if (r != ARCHIVE_EOF)
        return ERROR_BAD_FORMAT;
    std::string refused;
    if (!AllEntriesSafe(entries, &refused)) {
        std::fprintf(stderr, "Expandor: refused entry: %s\n", refused.c_str());
        return ERROR_INVALID_DATA;
    }
    return ERROR_SUCCESS;
}

DWORD Extract(const std::string& archivePath)
{
    ArchivePtr in = OpenReader(archivePath);
    if (!in)
        return ERROR_BAD_FORMAT;
    ArchivePtr out(archive_write_disk_new(), archive_write_free);
    // The same rules again, enforced by the writer, and links on disk are
    // never followed.
    archive_write_disk_set_options(out.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_SYMLINKS
            | ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS);
    archive_entry* entry;
    int r;
    while ((r = archive_read_next_header(in.get(), &entry)) == ARCHIVE_OK || r == ARCHIVE_WARN) {
        if (archive_write_header(out.get(), entry) < ARCHIVE_WARN)
            return ERROR_WRITE_FAULT;
        const void* block;
        size_t size;
        la_int64_t offset;
        int d;
        while ((d = archive_read_data_block(in.get(), &block, &size, &offset)) == ARCHIVE_OK)
            if (archive_write_data_block(out.get(), block, size, offset) < ARCHIVE_WARN)
                return ERROR_WRITE_FAULT;
        if (d != ARCHIVE_EOF)
            return ERROR_BAD_FORMAT;
        if (archive_write_finish_entry(out.get()) < ARCHIVE_WARN)
            return ERROR_WRITE_FAULT;
    }
    if (r != ARCHIVE_EOF)
        return ERROR_BAD_FORMAT;
    return archive_write_close(out.get()) == ARCHIVE_OK ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

DWORD Run(int argc, char** argv)
{
    if (argc != 3)
        return ERROR_BAD_ARGUMENTS;
    std::error_code ec;
    const std::string archivePath = std::filesystem::absolute(argv[1], ec).string();
    if (!std::filesystem::is_regular_file(archivePath, ec))
        return ERROR_FILE_NOT_FOUND;
    if (DWORD c = Check(archivePath))
        return c;
    std::filesystem::create_directories(argv[2], ec);
    // Entries are written relative to the folder, so that the writer's
    // checks for absolute paths and ".." apply to them as they stand.
    if (::chdir(argv[2]) != 0)
        return ERROR_PATH_NOT_FOUND;
    return Extract(archivePath);
}

} // namespace

int main(int argc, char** argv)
{
    // Entry names are UTF-8 (zip's Unicode flag, pax); in the C locale
    // libarchive could not convert them for the file system.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    return ExitCodeForMain(Run(argc, argv));
}

// OrvDownload "address" "destination": downloads one file.  Exit codes:
// 0 done, 160 wrong arguments, 1223 cancelled, else the download's error.
// A parent may follow "PROC:" lines on standard output and send "Cancel"
// lines on standard input.
#include "core/text.h"
#include "download_run.h"
#include "pipe/pipe.h"
#include "process/process.h"
#include "update_libraries.h"

#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc - 1 != 2)
        return ExitCodeForMain(ERROR_BAD_ARGUMENTS);
    // A parent that stops reading our progress must not end us mid-download.
    std::signal(SIGPIPE, SIG_IGN);

    const std::u16string address = Utf8ToUtf16(argv[1]);
    const std::u16string destination = Utf8ToUtf16(argv[2]);
    const int input = GetStdHandle(STD_INPUT_HANDLE);

    std::u16string folder;
    downloader::FetchkitCalls fetch{};
    DWORD result = downloader::GetSupportDataFolder(&folder);
    if (result == ERROR_SUCCESS)
        result = downloader::BindFetchkit(&fetch);
    if (result == ERROR_SUCCESS)
        result = downloader::RunDownload(fetch, folder, address, destination, input, stdout);

    CloseFileHandle(input);
    if (fetch.shutdown)
        fetch.shutdown();
    return ExitCodeForMain(result);
}

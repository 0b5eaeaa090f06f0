#include "download_run.h"

#include "command_reader.h"
#include "fetchkit.h"

#include <chrono>
#include <optional>
#include <thread>

namespace downloader {

namespace {

class CProgressReporter {
public:
    explicit CProgressReporter(std::FILE* out) : m_out(out) {}
    void Report(const FetchkitCalls& fetch, void* handle)
    {
        std::int64_t done = 0, total = 0;
        fetch.progress(handle, &done, &total);
        if (m_lastDone == done)
            return;
        std::fprintf(m_out, "PROC:%lld/%lld\n", static_cast<long long>(done), static_cast<long long>(total));
        std::fflush(m_out); // a parent follows it through a pipe
        m_lastDone = done;
    }

private:
    std::FILE* m_out;
    std::optional<std::int64_t> m_lastDone; // nothing printed yet
};

} // namespace

DWORD RunDownload(const FetchkitCalls& fetch, const std::u16string& supportFolder, const std::u16string& address,
    const std::u16string& destination, int input, std::FILE* out)
{
    const std::u16string tempData = supportFolder + u"/orvTempDataOrv";
    fetch.prepare(tempData.c_str(), u"pxfolder.orv.velmora");
    void* handle = fetch.start(address.c_str(), destination.c_str(), 0, 0);

    DWORD result = ERROR_SUCCESS;
    CProgressReporter progress(out);
    bool stop = false;
    do {
        switch (fetch.state(handle)) {
        case FETCH_RUNNING: progress.Report(fetch, handle); break;
        case FETCH_COMPLETED:
            result = ERROR_SUCCESS;
            progress.Report(fetch, handle);
            stop = true;
            break;
        case FETCH_FAILED:
            result = fetch.error(handle);
            stop = true;
            break;
        case FETCH_CANCELLED:
            result = ERROR_CANCELLED;
            stop = true;
            break;
        default: stop = true; break;
        }
        std::u16string command;
        if (ReadCommand(input, &command) && IsCancelCommand(command))
            fetch.cancel(handle);
        if (!stop)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (!stop);
    return result;
}

} // namespace downloader

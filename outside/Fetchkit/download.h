// One download on a thread of its own (see fetchkit.h for the contract).
//
// Threads: the download thread writes the file and the progress; any thread
// may read the state and progress and ask for a cancel.  Those fields are
// atomics; the state is set last, after the file is final, so a reader that
// sees "completed" finds the destination complete.
#pragma once

#include "core/wintypes.h"

#include <atomic>
#include <cstdint>
#include <curl/curl.h>
#include <string>
#include <thread>

namespace fetchkit {

class CDownload {
public:
    CDownload(std::string address, std::string destination);
    // Cancels a running transfer and waits for its thread.
    ~CDownload();
    CDownload(const CDownload&) = delete;
    CDownload& operator=(const CDownload&) = delete;

    int State() const { return m_state.load(); }
    void Progress(std::int64_t* done, std::int64_t* total) const;
    DWORD Error() const { return m_error.load(); }
    // Thread-safe; wakes the transfer at once.  No effect once it ended.
    void Cancel();

private:
    void Run();
    // Transfers into the open partial file; ERROR_SUCCESS or the error.
    DWORD Transfer(int fd);
    static std::size_t OnData(char* data, std::size_t size, std::size_t count, void* self);
    static int OnProgress(void* self, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t, curl_off_t);
    void Finish(int state, DWORD error);

    const std::string m_address;
    const std::string m_destination;
    CURLM* const m_multi; // lives as long as the object, so Cancel can wake it
    int m_fd = -1;        // download thread only
    DWORD m_writeError = ERROR_SUCCESS;
    std::atomic<int> m_state;
    std::atomic<DWORD> m_error{ERROR_SUCCESS};
    std::atomic<std::int64_t> m_done{0};
    std::atomic<std::int64_t> m_total{0};
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

} // namespace fetchkit

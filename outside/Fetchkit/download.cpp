#include "download.h"

#include "curl_errors.h"
#include "fetchkit.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fetchkit {

namespace {

// A hidden partial file in the destination's folder, so the final rename
// stays on one file system and is atomic.  -1 with the error on failure.
int CreatePartialFile(const std::string& destination, std::string* partial, DWORD* error)
{
    const std::size_t slash = destination.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : destination.substr(0, slash == 0 ? 1 : slash);
    *partial = folder + "/.fetchkit-XXXXXX.part";
    int fd = ::mkostemps(partial->data(), 5, O_CLOEXEC);
    if (fd < 0) {
        *error = Win32ErrorFromErrno(errno);
        return -1;
    }
    // mkstemp makes the file private; a downloaded file is an ordinary one.
    ::fchmod(fd, 0644);
    return fd;
}

} // namespace

CDownload::CDownload(std::string address, std::string destination)
    : m_address(std::move(address)), m_destination(std::move(destination)), m_multi(curl_multi_init()),
      m_state(FETCH_RUNNING)
{
    m_thread = std::thread([this] { Run(); });
}

CDownload::~CDownload()
{
    Cancel();
    m_thread.join();
    if (m_multi)
        curl_multi_cleanup(m_multi);
}

void CDownload::Progress(std::int64_t* done, std::int64_t* total) const
{
    if (done)
        *done = m_done.load();
    if (total)
        *total = m_total.load();
}

void CDownload::Cancel()
{
    m_cancel = true;
    if (m_multi)
        curl_multi_wakeup(m_multi);
}

void CDownload::Finish(int state, DWORD error)
{
    m_error = error;
    m_state = state;
}

void CDownload::Run()
{
    if (!m_multi)
        return Finish(FETCH_FAILED, ERROR_NOT_ENOUGH_MEMORY);
    std::string partial;
    DWORD err = ERROR_SUCCESS;
    const int fd = CreatePartialFile(m_destination, &partial, &err);
    if (fd < 0)
        return Finish(FETCH_FAILED, err);

    err = Transfer(fd);
    if (::close(fd) != 0 && err == ERROR_SUCCESS)
        err = Win32ErrorFromErrno(errno);
    if (err == ERROR_SUCCESS && ::rename(partial.c_str(), m_destination.c_str()) != 0)
        err = Win32ErrorFromErrno(errno);
    if (err != ERROR_SUCCESS) {
        ::unlink(partial.c_str());
        return Finish(err == ERROR_CANCELLED ? FETCH_CANCELLED : FETCH_FAILED, err);
    }
    m_total = m_done.load();
    Finish(FETCH_COMPLETED, ERROR_SUCCESS);
}

DWORD CDownload::Transfer(int fd)
{
    CURL* easy = curl_easy_init();
    if (!easy)
        return ERROR_NOT_ENOUGH_MEMORY;
    m_fd = fd;
    curl_easy_setopt(easy, CURLOPT_URL, m_address.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,file");
    // A server must not redirect us into the local file system.
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 30L);
    // The agent waits for the downloader without limit: a server that stops
    // sending must not hang it.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 512L * 1024);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Fetchkit/1.0");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CDownload::OnData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CDownload::OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);

    curl_multi_add_handle(m_multi, easy);
    int running = 1;
    CURLMcode mc = CURLM_OK;
    while (running && !m_cancel && mc == CURLM_OK) {
        mc = curl_multi_perform(m_multi, &running);
        if (running && mc == CURLM_OK)
            mc = curl_multi_poll(m_multi, nullptr, 0, 1000, nullptr);
    }
    CURLcode result = CURLE_OK;
    bool finished = false;
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(m_multi, &queued))
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
            result = msg->data.result;
            finished = true;
        }
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    curl_multi_remove_handle(m_multi, easy);
    curl_easy_cleanup(easy);

    if (!finished)
        return m_cancel ? ERROR_CANCELLED : ERROR_INTERNET_CONNECTION_ABORTED;
    return ErrorFromTransfer(result, status, m_writeError);
}

std::size_t CDownload::OnData(char* data, std::size_t size, std::size_t count, void* self)
{
    auto* d = static_cast<CDownload*>(self);
    const std::size_t bytes = size * count;
    for (std::size_t done = 0; done < bytes;) {
        ssize_t n = ::write(d->m_fd, data + done, bytes - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            d->m_writeError = n < 0 ? Win32ErrorFromErrno(errno) : ERROR_WRITE_FAULT;
            return 0; // tells curl to stop with a write error
        }
        done += static_cast<std::size_t>(n);
    }
    d->m_done += static_cast<std::int64_t>(bytes);
    return bytes;
}

int CDownload::OnProgress(void* self, curl_off_t dlTotal, curl_off_t, curl_off_t, curl_off_t)
{
    auto* d = static_cast<CDownload*>(self);
    if (dlTotal > 0)
        d->m_total = dlTotal;
    return d->m_cancel ? 1 : 0;
}

} // namespace fetchkit

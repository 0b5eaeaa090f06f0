// Exports of the download library (see fetchkit.h).  The downloads live in
// one list under g_mutex; a handle is only used after it is found there, so
// a stale or foreign handle cannot crash the library.
#include "fetchkit.h"

#include "core/text.h"
#include "download.h"
#include "module/module.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace {

std::mutex g_mutex;
bool g_curlReady = false;                                        // guarded by g_mutex
std::vector<std::unique_ptr<fetchkit::CDownload>> g_downloads; // guarded by g_mutex

// Caller holds g_mutex.
void EnsureCurlLocked()
{
    if (!g_curlReady)
        g_curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

// Runs fn on the download behind handle; returns false for an unknown one.
template <class Fn> bool WithDownload(void* handle, Fn fn)
{
    std::lock_guard lock(g_mutex);
    auto it = std::find_if(g_downloads.begin(), g_downloads.end(), [&](auto& d) { return d.get() == handle; });
    if (it == g_downloads.end())
        return false;
    fn(**it);
    return true;
}

} // namespace

QX_EXPORT int Ordinal7(const char16_t*, const char16_t*)
{
    std::lock_guard lock(g_mutex);
    EnsureCurlLocked();
    return 1;
}

QX_EXPORT void* Ordinal1(const char16_t* address, const char16_t* destination, int, int)
{
    if (!address || !destination || !*destination)
        return nullptr;
    std::lock_guard lock(g_mutex);
    EnsureCurlLocked();
    g_downloads.push_back(std::make_unique<fetchkit::CDownload>(Utf16ToUtf8(address), Utf16ToUtf8(destination)));
    return g_downloads.back().get();
}

QX_EXPORT int Ordinal4(void* handle)
{
    int state = FETCH_FAILED;
    WithDownload(handle, [&](fetchkit::CDownload& d) { state = d.State(); });
    return state;
}

QX_EXPORT void Ordinal2(void* handle, std::int64_t* done, std::int64_t* total)
{
    if (!WithDownload(handle, [&](fetchkit::CDownload& d) { d.Progress(done, total); })) {
        if (done)
            *done = 0;
        if (total)
            *total = 0;
    }
}

QX_EXPORT DWORD Ordinal5(void* handle)
{
    DWORD error = ERROR_INVALID_HANDLE;
    WithDownload(handle, [&](fetchkit::CDownload& d) { error = d.Error(); });
    return error;
}

QX_EXPORT void Ordinal6(void* handle)
{
    WithDownload(handle, [](fetchkit::CDownload& d) { d.Cancel(); });
}

QX_EXPORT void Ordinal3()
{
    std::vector<std::unique_ptr<fetchkit::CDownload>> downloads;
    {
        std::lock_guard lock(g_mutex);
        downloads.swap(g_downloads);
    }
    downloads.clear(); // each cancels and joins its thread
    std::lock_guard lock(g_mutex);
    if (g_curlReady)
        curl_global_cleanup();
    g_curlReady = false;
}

#include "core/text.h"
#include "fetchkit.h"
#include "module/module.h"
#include "testkit.h"
#include "update_testkit.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testkit::TempDir;
using updatetest::CHttpServer;

// The library bound by ordinal, as its callers bind it.
struct Fetchkit {
    Fetchkit()
    {
        lib = LoadLibrary(QX_BIN_DIR "/libFetchkit.so");
        prepare = reinterpret_cast<FetchPrepareFn>(GetProcAddressOrdinal(lib, 7));
        start = reinterpret_cast<FetchStartFn>(GetProcAddressOrdinal(lib, 1));
        state = reinterpret_cast<FetchStateFn>(GetProcAddressOrdinal(lib, 4));
        progress = reinterpret_cast<FetchProgressFn>(GetProcAddressOrdinal(lib, 2));
        error = reinterpret_cast<FetchErrorFn>(GetProcAddressOrdinal(lib, 5));
        cancel = reinterpret_cast<FetchCancelFn>(GetProcAddressOrdinal(lib, 6));
        shutdown = reinterpret_cast<FetchShutdownFn>(GetProcAddressOrdinal(lib, 3));
        prepare(u"/nonexistent/orvTempDataOrv", u"pxfolder.orv.velmora");
    }
    ~Fetchkit()
    {
        shutdown();
        FreeLibrary(lib);
    }
    void* Start(const std::string& url, const std::string& dest)
    {
        return start(Utf8ToUtf16(url).c_str(), Utf8ToUtf16(dest).c_str(), 0, 0);
    }
    // Polls until the download has left the running state.
    int WaitEnd(void* h, int timeoutMs = 60000)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (state(h) == FETCH_RUNNING && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return state(h);
    }

    HMODULE lib;
    FetchPrepareFn prepare;
    FetchStartFn start;
    FetchStateFn state;
    FetchProgressFn progress;
    FetchErrorFn error;
    FetchCancelFn cancel;
    FetchShutdownFn shutdown;
};

std::string Pattern(std::size_t size)
{
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return s;
}

// Files in the folder besides the ones named: partial data must not remain.
std::vector<std::string> OtherFiles(const std::string& folder, std::initializer_list<std::string> known)
{
    std::vector<std::string> other;
    for (auto& e : fs::directory_iterator(folder)) {
        std::string name = e.path().filename().string();
        if (std::find(known.begin(), known.end(), name) == known.end())
            other.push_back(name);
    }
    return other;
}

// A port on which nothing listens.
int ClosedPort()
{
    CHttpServer probe(fs::temp_directory_path().string());
    return probe.Port();
}

TEST(Fetchkit, DownloadsOverHttpAndFileAddresses)
{
    TempDir served, out;
    const std::string data = Pattern(3 * 1024 * 1024 + 17);
    testkit::WriteFile(served / "data.bin", data);
    CHttpServer server(served.Path());
    ASSERT_NE(server.Port(), 0);
    Fetchkit fk;
    const std::pair<std::string, std::string> cases[] = {
        {server.Url("data.bin"), "http.bin"},
        {"file://" + served / "data.bin", "file.bin"},
        {server.Url("data.bin?redirect=" + server.Url("data.bin")), "redirected.bin"},
    };
    for (const auto& [url, name] : cases) {
        testkit::WriteFile(out / name, "older content is replaced");
        void* h = fk.Start(url, out / name);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(fk.WaitEnd(h), FETCH_COMPLETED) << url << " error " << fk.error(h);
        std::int64_t done = -1, total = -1;
        fk.progress(h, &done, &total);
        EXPECT_EQ(done, static_cast<std::int64_t>(data.size())) << url;
        EXPECT_EQ(total, done) << url;
        EXPECT_EQ(fk.error(h), 0u);
        EXPECT_TRUE(testkit::ReadFile(out / name) == data) << url;
    }
    EXPECT_TRUE(OtherFiles(out.Path(), {"http.bin", "file.bin", "redirected.bin"}).empty());
}

TEST(Fetchkit, FailuresGiveTheirErrorAndLeaveTheDestinationAlone)
{
    TempDir served, out;
    testkit::WriteFile(served / "data.bin", Pattern(1000));
    CHttpServer server(served.Path());
    ASSERT_NE(server.Port(), 0);
    Fetchkit fk;
    const struct {
        std::string url;
        DWORD error;
    } cases[] = {
        {server.Url("missing.bin"), ERROR_FILE_NOT_FOUND},
        {"file://" + served / "missing.bin", ERROR_FILE_NOT_FOUND},
        {"http://127.0.0.1:" + std::to_string(ClosedPort()) + "/data.bin", ERROR_INTERNET_CANNOT_CONNECT},
        {"ftp://127.0.0.1/data.bin", 12006},
        {"http://exa mple/", 12005},
        // A server must not be able to send us into the local file system.
        {server.Url("x?redirect=file://" + served / "data.bin"), 12006},
    };
    for (const auto& c : cases) {
        testkit::WriteFile(out / "dest.bin", "kept");
        void* h = fk.Start(c.url, out / "dest.bin");
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(fk.WaitEnd(h), FETCH_FAILED) << c.url;
        EXPECT_EQ(fk.error(h), c.error) << c.url;
        EXPECT_EQ(testkit::ReadFile(out / "dest.bin"), "kept") << c.url;
    }
    // Into a folder that does not exist: the file system's error.
    void* h = fk.Start(server.Url("data.bin"), out / "no/such/dest.bin");
    EXPECT_EQ(fk.WaitEnd(h), FETCH_FAILED);
    EXPECT_EQ(fk.error(h), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(OtherFiles(out.Path(), {"dest.bin"}).empty());
}

TEST(Fetchkit, CancelEndsPromptlyEvenWhenTheServerIsSilent)
{
    TempDir served, out;
    testkit::WriteFile(served / "data.bin", Pattern(4 * 1024 * 1024));
    CHttpServer server(served.Path());
    ASSERT_NE(server.Port(), 0);
    Fetchkit fk;
    void* h = fk.Start(server.Url("data.bin?stall=1"), out / "dest.bin");
    // Wait for the first half to arrive; then the server goes quiet.
    std::int64_t done = 0, total = 0;
    for (int i = 0; i < 3000 && done < 2 * 1024 * 1024; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        fk.progress(h, &done, &total);
    }
    EXPECT_EQ(done, 2 * 1024 * 1024);
    EXPECT_EQ(total, 4 * 1024 * 1024);
    EXPECT_EQ(fk.state(h), FETCH_RUNNING);
    fk.cancel(h);
    EXPECT_EQ(fk.WaitEnd(h, 3000), FETCH_CANCELLED) << "a silent transfer must still stop at once";
    EXPECT_EQ(fk.error(h), ERROR_CANCELLED);
    EXPECT_TRUE(OtherFiles(out.Path(), {}).empty());
}

TEST(Fetchkit, UnknownHandlesReadAsFailed)
{
    Fetchkit fk;
    int local = 0;
    EXPECT_EQ(fk.state(&local), FETCH_FAILED);
    EXPECT_EQ(fk.error(&local), ERROR_INVALID_HANDLE);
    EXPECT_EQ(fk.start(nullptr, u"x", 0, 0), nullptr);
}

TEST(Fetchkit, HttpsRefusesAnUntrustedCertificate)
{
    TempDir served, out;
    const std::string cert = served / "cert.pem", key = served / "key.pem";
    const auto made = updatetest::Run("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 -keyout "
        + updatetest::Quote(key) + " -out " + updatetest::Quote(cert));
    if (made.code != 0 || !fs::exists(cert))
        GTEST_SKIP() << "openssl is not installed";
    testkit::WriteFile(served / "data.bin", Pattern(1000));
    CHttpServer server(served.Path(), cert, key);
    ASSERT_NE(server.Port(), 0);
    Fetchkit fk;
    void* h = fk.Start(server.Url("data.bin", "https"), out / "dest.bin");
    EXPECT_EQ(fk.WaitEnd(h), FETCH_FAILED);
    EXPECT_EQ(fk.error(h), ERROR_INTERNET_SECURE_FAILURE);
    EXPECT_FALSE(fs::exists(out / "dest.bin"));
}

} // namespace

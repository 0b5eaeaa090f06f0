// Prints the speed of a 200 MB download from a local HTTP server through
// OrvDownload and through `curl -o`, each the best of three runs, and their
// ratio.  Uses a temporary folder under $TMPDIR.
#include "update_testkit.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using updatetest::Quote;

namespace {

constexpr std::size_t kSize = 200u * 1024 * 1024;

double BestSeconds(const std::string& commandLine, const std::string& dest)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        fs::remove(dest);
        const auto t0 = std::chrono::steady_clock::now();
        const auto r = updatetest::Run(commandLine);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (r.code != 0 || fs::file_size(dest) != kSize) {
            std::fprintf(stderr, "failed (%u): %s\n", r.code, commandLine.c_str());
            std::exit(1);
        }
        best = std::min(best, s);
    }
    return best;
}

} // namespace

int main()
{
    const fs::path dir = fs::temp_directory_path() / ("qxbench-" + std::to_string(::getpid()));
    fs::create_directories(dir / "served");
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    {
        std::vector<char> block(1 << 20);
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 2654435761u >> 13);
        std::ofstream out(dir / "served/big.bin", std::ios::binary);
        for (std::size_t i = 0; i < kSize / block.size(); ++i)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    double orv = 0, curl = 0;
    {
        updatetest::CHttpServer server((dir / "served").string());
        const std::string url = server.Url("big.bin");
        const std::string dest = (dir / "out.bin").string();
        curl = BestSeconds("curl -s -o " + Quote(dest) + " " + Quote(url), dest);
        orv = BestSeconds(Quote(QX_BIN_DIR "/OrvDownload") + " " + Quote(url) + " " + Quote(dest), dest);
    }
    fs::remove_all(dir);
    const double mb = kSize / 1e6;
    std::printf("200 MB from 127.0.0.1 (best of 3)\n");
    std::printf("  curl -o      %7.3f s  %8.1f MB/s\n", curl, mb / curl);
    std::printf("  OrvDownload  %7.3f s  %8.1f MB/s\n", orv, mb / orv);
    std::printf("  OrvDownload / curl: %.0f %%\n", 100.0 * curl / orv);
    return 0;
}

// stage_probe [--slow] ARGS...: appends its arguments, joined by '|', as one
// line to the file named by STAGE_PROBE_LOG; "--slow" first waits 300 ms.
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i)
        line += (i > 1 ? "|" : "") + std::string(argv[i]);
    if (argc > 1 && line.rfind("--slow", 0) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    line += '\n';
    const char* log = std::getenv("STAGE_PROBE_LOG");
    int fd = log ? ::open(log, O_WRONLY | O_CREAT | O_APPEND, 0644) : -1;
    if (fd < 0 || ::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        return 1;
    ::close(fd);
    return 0;
}

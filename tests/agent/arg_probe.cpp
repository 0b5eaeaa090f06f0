// Stands in for one of the agent's companion programs in the launcher tests:
// appends "<own name>|<show>|<working folder>|<arg>|<arg>..." as one line to
// the file named by PROBE_RECORD and ends with PROBE_EXIT (default 0).
#include "process/process.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::string line = argv[0];
    line = line.substr(line.rfind('/') + 1);
    const char* show = std::getenv("QX_SHOW");
    line += std::string("|") + (show ? show : "");
    char cwd[4096];
    line += std::string("|") + (::getcwd(cwd, sizeof cwd) ? cwd : "");
    for (int i = 1; i < argc; ++i)
        line += std::string("|") + argv[i];
    if (const char* record = std::getenv("PROBE_RECORD")) {
        if (FILE* f = std::fopen(record, "a")) {
            std::fprintf(f, "%s\n", line.c_str());
            std::fclose(f);
        }
    }
    const char* code = std::getenv("PROBE_EXIT");
    return ExitCodeForMain(code ? static_cast<DWORD>(std::strtoul(code, nullptr, 0)) : 0);
}

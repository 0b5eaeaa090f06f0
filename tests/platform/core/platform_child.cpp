// Child program for the platform tests.  Modes:
//   args FILE            writes its arguments after the mode, one per line, and its working folder
//   exit CODE            ends with CODE through the full-code channel
//   regwrite PREFIX N    writes N registry values PREFIX0.. into one key
//   hold NAME            creates the named block NAME, writes 0x2A into it, prints "ready", waits
//   mutex NAME           claims the named mutex, prints "first" or "second", waits for stdin to close
#include "named/named_object.h"
#include "process/process.h"
#include "registry/registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string mode = argv[1];
    if (mode == "args" && argc >= 3) {
        FILE* f = std::fopen(argv[2], "w");
        for (int i = 3; i < argc; ++i)
            std::fprintf(f, "%s\n", argv[i]);
        char cwd[4096];
        std::fprintf(f, "cwd=%s\n", ::getcwd(cwd, sizeof cwd));
        std::fclose(f);
        return 0;
    }
    if (mode == "exit" && argc == 3)
        return ExitCodeForMain(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
    if (mode == "regwrite" && argc == 4) {
        const int n = std::atoi(argv[3]);
        for (int i = 0; i < n; ++i)
            if (RegistryStore::User().SetDword("Software\\Test\\Shared", argv[2] + std::to_string(i), i) != ERROR_SUCCESS)
                return 1;
        return 0;
    }
    if (mode == "hold" && argc == 3) {
        auto block = NamedBlock::Create(argv[2], 8);
        if (!block)
            return 1;
        static_cast<unsigned char*>(block->Data())[0] = 0x2A;
        std::printf("ready\n");
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    if (mode == "mutex" && argc == 3) {
        bool existed = false;
        auto m = NamedMutex::Create(argv[2], &existed);
        std::printf("%s\n", !m ? "failed" : existed ? "second" : "first");
        std::fflush(stdout);
        char c;
        while (::read(0, &c, 1) > 0) {}
        return 0;
    }
    return 2;
}

// qxrec: the recorder's engines on the command line.

#include "commands.h"

#include <cstdio>
#include <cstring>

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* usage;
};

const Command kCommands[] = {
    {"encode", RunEncode, "encode IN.wav OUT [--type wav|mp3|wma|ogg] [--rate HZ] [--channels N] [--bits N]"},
    {"devices", RunDevices, "devices"},
    {"record", RunRecord,
     "record OUT [--device N] [--seconds S] [--type wav|mp3|wma|ogg] [--rate HZ] [--channels N] [--bits N]"},
    {"extract", RunExtract, "extract VIDEO OUT [--type wav|mp3|wma|ogg] [--rate HZ] [--channels N] [--bits N]"},
};

int Usage()
{
    std::fprintf(stderr, "usage:\n");
    for (const Command& c : kCommands)
        std::fprintf(stderr, "  qxrec %s\n", c.usage);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    for (const Command& c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0)
            return c.run(argc - 2, argv + 2);
    std::fprintf(stderr, "qxrec: unknown command '%s'\n", argv[1]);
    return Usage();
}

// The output-format options shared by the subcommands that write sound:
// --type wav|mp3|wma|ogg, --rate HZ, --channels N, --bits N.
#pragma once

#include <string>
#include <vector>

struct FormatOptions {
    int type = -1;   // OutputFileType; -1: from the output's extension
    int rate = 0;    // 0: the source's
    int channels = 0;
    int bits = 0;
};

// If argv[*pIndex] is one of the options, takes it and its value, advances
// *pIndex past them and returns true.  A bad or missing value sets *pError.
bool TakeFormatOption(int argc, char** argv, int* pIndex, FormatOptions* pOptions, std::string* pError);

// The arguments of a subcommand that takes format options and paths only:
// the paths in order into *pPaths, the options into *pOptions.  False, with
// *pError, for an unknown option or a bad value.
bool ParsePathsAndFormat(int argc, char** argv, std::vector<std::string>* pPaths, FormatOptions* pOptions,
    std::string* pError);

// The output type named by a path's extension (case ignored), or -1.
int OutputTypeFromPath(const std::string& path);

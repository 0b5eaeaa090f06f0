#include "format_options.h"

#include "app/source_settings.h"
#include "core/text.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* const kTypeNames[] = {"wav", "mp3", "wma", "ogg"}; // by OutputFileType

int TypeFromName(const std::string& name)
{
    for (int t = OFT_WAV; t <= OFT_OGG; ++t)
        if (EqualsNoCase(name, kTypeNames[t]))
            return t;
    return -1;
}

bool ParseNumber(const char* text, int* pValue)
{
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v <= 0 || v > 1000000)
        return false;
    *pValue = static_cast<int>(v);
    return true;
}

} // namespace

bool TakeFormatOption(int argc, char** argv, int* pIndex, FormatOptions* o, std::string* pError)
{
    const std::string name = argv[*pIndex];
    if (name != "--type" && name != "--rate" && name != "--channels" && name != "--bits")
        return false;
    if (*pIndex + 1 >= argc) {
        *pError = name + " needs a value";
        return true;
    }
    const char* value = argv[*pIndex + 1];
    *pIndex += 2;
    if (name == "--type") {
        o->type = TypeFromName(value);
        if (o->type < 0)
            *pError = std::string("unknown type '") + value + "' (wav, mp3, wma or ogg)";
    } else if (name == "--rate") {
        if (!ParseNumber(value, &o->rate))
            *pError = std::string("bad sample rate '") + value + "'";
    } else if (name == "--channels") {
        if (!ParseNumber(value, &o->channels) || o->channels > 2)
            *pError = std::string("channels must be 1 or 2, not '") + value + "'";
    } else if (!ParseNumber(value, &o->bits) || (o->bits != 8 && o->bits != 16)) {
        *pError = std::string("bits must be 8 or 16, not '") + value + "'";
    }
    return true;
}

int OutputTypeFromPath(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return -1;
    return TypeFromName(path.substr(dot + 1));
}

bool ParsePathsAndFormat(int argc, char** argv, std::vector<std::string>* pPaths, FormatOptions* pOptions,
    std::string* pError)
{
    for (int i = 0; i < argc;) {
        if (TakeFormatOption(argc, argv, &i, pOptions, pError)) {
            if (!pError->empty())
                return false;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            *pError = std::string("unknown option ") + argv[i];
            return false;
        } else {
            pPaths->push_back(argv[i++]);
        }
    }
    return true;
}

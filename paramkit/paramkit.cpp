#include "paramkit.h"

#include "const_file.h"
#include "module/module.h"

#include <filesystem>
#include <libxml/parser.h>

std::int32_t CDL_GetConstData(ConstDataRecord* records, std::int32_t count)
{
    if (!records || count < 0)
        count = 0;
    // The parser's global set-up must happen once, before any thread parses.
    static const bool parserReady = (xmlInitParser(), true);
    (void)parserReady;
    for (std::int32_t i = 0; i < count; ++i)
        records[i].found = 0;

    // The calling program's folder, not this library's.
    const std::string folder = GetProgramFolder() + "/";
    const bool loaded = paramkit::ReadConstFile(folder + "const.xml", records, count);
    std::error_code ec;
    if (std::filesystem::exists(folder + "constDebug.xml", ec))
        paramkit::ReadConstFile(folder + "constDebug.xml", records, count);
    return loaded ? 1 : 0;
}

QX_EXPORT std::int32_t Ordinal1(ConstDataRecord* records, std::int32_t count)
{
    return CDL_GetConstData(records, count);
}

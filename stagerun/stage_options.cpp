#include "stage_options.h"

namespace stagerun {

namespace {

// Callers cannot pass a double quote through the first stage's quoting, so
// they write it as &quot;.
std::string UnescapeQuotes(std::string s)
{
    static const std::string entity = "&quot;";
    for (std::size_t at = s.find(entity); at != std::string::npos; at = s.find(entity, at + 1))
        s.replace(at, entity.size(), "\"");
    return s;
}

} // namespace

bool IsSecondStage(const std::vector<std::string>& args)
{
    for (std::size_t i = 1; i < args.size(); ++i)
        if (args[i] == kExecMarker)
            return true;
    return false;
}

std::string FirstStageParameters(const std::vector<std::string>& args)
{
    std::string params = kExecMarker;
    for (std::size_t i = 1; i < args.size(); ++i)
        params += " \"" + args[i] + "\"";
    return params;
}

SecondStageOptions ParseSecondStage(const std::vector<std::string>& args)
{
    SecondStageOptions o;
    for (std::size_t i = 1; i + 1 < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "/Cmd")
            o.command = UnescapeQuotes(args[++i]);
        else if (a == "/Param")
            o.parameters = UnescapeQuotes(args[++i]);
        else if (a == "/ExePath")
            o.exePath = args[++i];
    }
    return o;
}

} // namespace stagerun

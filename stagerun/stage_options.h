// The command line of the relauncher's two stages.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace stagerun {

// Marks the second stage; compared exactly.
inline constexpr const char* kExecMarker = "/Exec";

// Whether any argument after the program name is exactly "/Exec".
bool IsSecondStage(const std::vector<std::string>& args);

// "/Exec" followed by each argument after the program name as ' "arg"'.
std::string FirstStageParameters(const std::vector<std::string>& args);

struct SecondStageOptions {
    std::string command;                // "/Cmd", with &quot; made a quote
    std::string parameters;             // "/Param", the same
    std::optional<std::string> exePath; // "/ExePath", when given
};

// Reads "/Cmd", "/Param" and "/ExePath" with their following argument
// (later ones win); an option that is the last argument is ignored, and
// everything else is skipped.
SecondStageOptions ParseSecondStage(const std::vector<std::string>& args);

} // namespace stagerun

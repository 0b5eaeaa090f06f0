// The support data folder as the update-support library (OrvLib.dll,
// ordinal 7) names it.  The maker's companion programs and the logging
// library keep their files there, beside the agent's data.
#pragma once

#include <string>

// Empty when the library cannot be loaded.
std::string SupportDataFolder();

// Starting the agent's companion programs, which lie in the agent's own
// folder: the downloader and the unpacker (waited for, exit code used), the
// viewer (held, not waited for) and the update program (shell-opened and
// forgotten).  Arguments are quoted as they are.
#pragma once

#include "agent_services.h"

#include <string>

class CProgramLauncher {
public:
    CProgramLauncher(IProgramStarter& starter, std::u16string programFolder);

    // Creates the process in the program folder: 0 and the handle, or the
    // system's error and no handle.
    DWORD StartProgram(const std::u16string& commandLine, int show, ProgramHandle* process);

    // The downloader's exit code, or the error that kept it from starting.
    DWORD RunDownload(const std::u16string& destFile, const std::u16string& url);
    // The unpacker's exit code, or the error that kept it from starting.
    DWORD RunExtract(const std::u16string& destFolder, const std::u16string& archive);
    // The viewer's process, or 0 when it could not be started.
    ProgramHandle StartViewer(const std::u16string& messageId);
    void StartUpdateProgram();

    std::u16string ProgramPath(const char16_t* fileName) const;

private:
    DWORD RunAndWait(const std::u16string& commandLine, int show);

    IProgramStarter& m_starter;
    std::u16string m_folder;
};

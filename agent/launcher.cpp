#include "launcher.h"

#include "orv_log.h"
#include "process/process.h"

CProgramLauncher::CProgramLauncher(IProgramStarter& starter, std::u16string programFolder)
    : m_starter(starter), m_folder(std::move(programFolder))
{
}

std::u16string CProgramLauncher::ProgramPath(const char16_t* fileName) const
{
    return m_folder + u"/" + fileName;
}

DWORD CProgramLauncher::StartProgram(const std::u16string& commandLine, int show, ProgramHandle* process)
{
    *process = 0;
    return m_starter.CreateProcess(commandLine, m_folder, show, process);
}

DWORD CProgramLauncher::RunAndWait(const std::u16string& commandLine, int show)
{
    ProgramHandle process = 0;
    DWORD code = StartProgram(commandLine, show, &process);
    if (code == ERROR_SUCCESS) {
        m_starter.Wait(process, INFINITE);
        m_starter.GetExitCode(process, &code);
        m_starter.Close(process);
    }
    return code;
}

DWORD CProgramLauncher::RunDownload(const std::u16string& destFile, const std::u16string& url)
{
    WriteLog(u"START Download");
    WriteLog(u"url: %s", url.c_str());
    WriteLog(u"dest: %s", destFile.c_str());
    const DWORD code = RunAndWait(
        u"\"" + ProgramPath(u"OrvDownload.exe") + u"\" \"" + url + u"\" \"" + destFile + u"\"", SW_SHOWDEFAULT);
    WriteLog(u"END Download: 0x%08X", code);
    return code;
}

DWORD CProgramLauncher::RunExtract(const std::u16string& destFolder, const std::u16string& archive)
{
    WriteLog(u"START Extract");
    WriteLog(u"src: %s", archive.c_str());
    WriteLog(u"dest: %s", destFolder.c_str());
    const DWORD code = RunAndWait(
        u"\"" + ProgramPath(u"Expandor.exe") + u"\" \"" + archive + u"\" \"" + destFolder + u"\"", SW_HIDE);
    WriteLog(u"END Extract: 0x%08X", code);
    return code;
}

ProgramHandle CProgramLauncher::StartViewer(const std::u16string& messageId)
{
    WriteLog(u"START OrvView");
    ProgramHandle process = 0;
    StartProgram(u"\"" + ProgramPath(u"OrvView.exe") + u"\" \"" + messageId + u"\"", SW_SHOWDEFAULT, &process);
    WriteLog(u"END OrvView");
    return process;
}

void CProgramLauncher::StartUpdateProgram()
{
    m_starter.ShellOpen(ProgramPath(u"Patchrun.exe"), SW_SHOWDEFAULT);
}

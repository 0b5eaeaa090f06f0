#include "system_services.h"

#include "core/text.h"
#include "module/module.h"
#include "net/connectivity.h"
#include "process/process.h"

#include <ctime>

std::int64_t CSystemClock::Now()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

BOOL CSystemConnectivity::GetConnectedState(DWORD* flags)
{
    return InternetGetConnectedState(flags, 0);
}

DWORD CSystemStarter::CreateProcess(const std::u16string& commandLine, const std::u16string& folder, int show,
    ProgramHandle* process)
{
    HPROCESS p = nullptr;
    const DWORD err = ::CreateProcess(Utf16ToUtf8(commandLine), Utf16ToUtf8(folder), show, &p);
    *process = reinterpret_cast<ProgramHandle>(p);
    return err;
}

DWORD CSystemStarter::Wait(ProgramHandle process, DWORD milliseconds)
{
    return ::WaitForSingleObject(reinterpret_cast<HPROCESS>(process), milliseconds);
}

BOOL CSystemStarter::GetExitCode(ProgramHandle process, DWORD* code)
{
    return ::GetExitCodeProcess(reinterpret_cast<HPROCESS>(process), code);
}

void CSystemStarter::Close(ProgramHandle process)
{
    ::CloseHandle(reinterpret_cast<HPROCESS>(process));
}

std::intptr_t CSystemStarter::ShellOpen(const std::u16string& file, int show)
{
    return ::ShellExecute("open", Utf16ToUtf8(file), "", "", show);
}

COrvLib::~COrvLib()
{
    if (m_module)
        FreeLibrary(m_module);
}

BOOL COrvLib::Load()
{
    m_module = LoadLibrary("OrvLib.dll");
    if (!m_module)
        return FALSE;
    m_dataFolder = reinterpret_cast<OrvGetDataFolderFn>(GetProcAddressOrdinal(m_module, kOrvLibFolderOrdinal));
    m_waitingMessage =
        reinterpret_cast<OrvGetWaitingMessageFn>(GetProcAddressOrdinal(m_module, kOrvLibMessageOrdinal));
    return m_dataFolder && m_waitingMessage;
}

int COrvLib::GetDataFolder(char16_t* buffer, int capacity)
{
    return m_dataFolder(buffer, capacity);
}

int COrvLib::GetWaitingMessage(void* record, int* waiting)
{
    return m_waitingMessage(record, waiting);
}

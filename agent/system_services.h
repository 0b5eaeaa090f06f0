// The agent's services on the real system: wall clock, route-based
// connectivity, process creation and the update-support library.
#pragma once

#include "agent_services.h"

struct ModuleHandle;

class CSystemClock : public IClock {
public:
    std::int64_t Now() override;
};

class CSystemConnectivity : public IConnectivity {
public:
    BOOL GetConnectedState(DWORD* flags) override;
};

class CSystemStarter : public IProgramStarter {
public:
    DWORD CreateProcess(const std::u16string& commandLine, const std::u16string& folder, int show,
        ProgramHandle* process) override;
    DWORD Wait(ProgramHandle process, DWORD milliseconds) override;
    BOOL GetExitCode(ProgramHandle process, DWORD* code) override;
    void Close(ProgramHandle process) override;
    std::intptr_t ShellOpen(const std::u16string& file, int show) override;
};

// OrvLib.dll's ordinals 7 and 5, bound when the agent starts.
class COrvLib : public ISupportLibrary {
public:
    COrvLib() = default;
    ~COrvLib() override;
    COrvLib(const COrvLib&) = delete;
    COrvLib& operator=(const COrvLib&) = delete;

    // FALSE when the library or one of the two exports is missing.
    BOOL Load();
    int GetDataFolder(char16_t* buffer, int capacity) override;
    int GetWaitingMessage(void* record, int* waiting) override;

private:
    ModuleHandle* m_module = nullptr;
    OrvGetDataFolderFn m_dataFolder = nullptr;
    OrvGetWaitingMessageFn m_waitingMessage = nullptr;
};

// What the agent's check cycle reaches outside itself: the clock, the
// connectivity state, the program starter, the support library, the constants
// and its own window.  Each is a small interface, so that the whole cycle
// runs in tests with a scripted clock and scripted programs.
#pragma once

#include "core/wintypes.h"
#include "orvlib.h"

#include <cstdint>
#include <string>

// Current time in seconds since 1970 (UTC).
class IClock {
public:
    virtual ~IClock() = default;
    virtual std::int64_t Now() = 0;
};

class IConnectivity {
public:
    virtual ~IConnectivity() = default;
    // InternetGetConnectedState: FALSE with the last error set on failure.
    virtual BOOL GetConnectedState(DWORD* flags) = 0;
};

// A started program; 0 stands for none.
using ProgramHandle = std::uintptr_t;

class IProgramStarter {
public:
    virtual ~IProgramStarter() = default;
    // Creates a process from a command line (quoted arguments), in a working
    // folder, with a show value.  0 and the handle, or the error.
    virtual DWORD CreateProcess(const std::u16string& commandLine, const std::u16string& folder, int show,
        ProgramHandle* process) = 0;
    // WAIT_OBJECT_0 when ended, WAIT_TIMEOUT, WAIT_FAILED.
    virtual DWORD Wait(ProgramHandle process, DWORD milliseconds) = 0;
    virtual BOOL GetExitCode(ProgramHandle process, DWORD* code) = 0;
    virtual void Close(ProgramHandle process) = 0;
    // The shell's "open" of a program; the > 32 result rule.
    virtual std::intptr_t ShellOpen(const std::u16string& file, int show) = 0;
};

// The update-support library's two calls (ordinals 7 and 5; orvlib.h).

class ISupportLibrary {
public:
    virtual ~ISupportLibrary() = default;
    // Ordinal 7: the support data folder into a buffer of capacity characters.
    virtual int GetDataFolder(char16_t* buffer, int capacity) = 0;
    // Ordinal 5: 0 and *waiting for a record of kOrvMessageRecordSize bytes,
    // or an error code.
    virtual int GetWaitingMessage(void* record, int* waiting) = 0;
};

// The constants lookup, shaped as the constants library's export.
struct ConstDataRecord;
using ConstLookupFn = std::int32_t (*)(ConstDataRecord* records, std::int32_t count);

// The agent's own hidden window: its timers and messages posted to itself.
class IFrameHost {
public:
    virtual ~IFrameHost() = default;
    virtual void SetTimer(UINT id, UINT elapseMs) = 0;
    virtual void KillTimer(UINT id) = 0;
    virtual void PostToSelf(UINT message) = 0;
};

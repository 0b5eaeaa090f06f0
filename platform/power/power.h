// Powering the machine off.  The recorder asks for it when a scheduled
// recording ends with its shutdown box ticked.  The service in use is the
// session manager's (systemd-logind over the system D-Bus) unless a test
// installed another; tests always do, so no test powers anything off.
//
// All calls happen on the user-interface thread.
#pragma once

#include "core/wintypes.h"

// ExitWindowsEx flags and reasons (winuser.h / reason.h values).
constexpr UINT EWX_POWEROFF = 0x00000008;
constexpr UINT EWX_FORCEIFHUNG = 0x00000010;
constexpr DWORD SHTDN_REASON_FLAG_PLANNED = 0x80000000;

class IPowerService {
public:
    virtual ~IPowerService() = default;
    // Whether this process may power the machine off without asking anyone
    // (the shutdown privilege).  FALSE also when nobody answers.
    virtual BOOL EnableShutdownPrivilege() = 0;
    // Starts powering off when flags hold EWX_POWEROFF; other requests are
    // refused.  TRUE when the session manager accepted; the call returns
    // before the machine goes down, which closes the program normally.
    virtual BOOL ExitWindowsEx(UINT flags, DWORD reason) = 0;
};

IPowerService& PowerService();
// Installs a service (null restores the session manager's); the caller
// keeps ownership.
void SetPowerService(IPowerService* service);

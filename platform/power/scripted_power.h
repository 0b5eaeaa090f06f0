// A power service that records what was asked and never powers anything
// off, for tests.  Installed for its lifetime.
#pragma once

#include "power.h"

#include <vector>

class ScriptedPower final : public IPowerService {
public:
    ScriptedPower() : m_previous(&PowerService()) { SetPowerService(this); }
    ~ScriptedPower() override { SetPowerService(m_previous == this ? nullptr : m_previous); }
    ScriptedPower(const ScriptedPower&) = delete;
    ScriptedPower& operator=(const ScriptedPower&) = delete;

    struct Request {
        UINT flags;
        DWORD reason;
    };
    std::vector<Request> requests; // every ExitWindowsEx, in order
    BOOL privilege = TRUE;         // the answer of EnableShutdownPrivilege
    BOOL accept = TRUE;            // the answer of ExitWindowsEx

    BOOL EnableShutdownPrivilege() override { return privilege; }
    BOOL ExitWindowsEx(UINT flags, DWORD reason) override
    {
        requests.push_back({flags, reason});
        return accept;
    }

private:
    IPowerService* m_previous;
};

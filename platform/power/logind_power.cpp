// The session manager's power-off: org.freedesktop.login1 on the system bus
// (DBUS_SYSTEM_BUS_ADDRESS names another bus).
#include "power.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";

class LogindPower final : public IPowerService {
public:
    BOOL EnableShutdownPrivilege() override
    {
        QDBusInterface manager(kService, kPath, kManager, QDBusConnection::systemBus());
        if (!manager.isValid())
            return FALSE;
        // "yes": allowed without asking; "challenge" would need a person to
        // authenticate, which an unattended end of a recording cannot.
        const QDBusReply<QString> can = manager.call("CanPowerOff");
        return can.isValid() && can.value() == "yes";
    }

    BOOL ExitWindowsEx(UINT flags, DWORD) override
    {
        if (!(flags & EWX_POWEROFF))
            return FALSE;
        QDBusInterface manager(kService, kPath, kManager, QDBusConnection::systemBus());
        if (!manager.isValid())
            return FALSE;
        // Not interactive: nobody is asked.  logind ends the session's
        // programs itself, hung ones included, as EWX_FORCEIFHUNG wants.
        const QDBusMessage reply = manager.call("PowerOff", false);
        return reply.type() == QDBusMessage::ReplyMessage;
    }
};

LogindPower g_logind;
IPowerService* g_service = nullptr;

} // namespace

IPowerService& PowerService()
{
    return g_service ? *g_service : g_logind;
}

void SetPowerService(IPowerService* service)
{
    g_service = service;
}

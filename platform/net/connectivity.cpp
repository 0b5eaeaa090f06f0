#include "connectivity.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr unsigned long kRouteUp = 0x0001;     // RTF_UP
constexpr unsigned long kRouteReject = 0x0200; // RTF_REJECT

std::string ProcNetFolder()
{
    const char* custom = std::getenv("QX_PROC_NET");
    return custom && *custom ? custom : "/proc/net";
}

// A hexadecimal field; a damaged one reads as all ones, which no default
// route has.
unsigned long Hex(const std::string& s)
{
    char* end = nullptr;
    unsigned long v = std::strtoul(s.c_str(), &end, 16);
    return end && *end == '\0' && !s.empty() ? v : ~0ul;
}

bool Usable(const std::string& iface, unsigned long flags)
{
    return iface != "lo" && (flags & kRouteUp) && !(flags & kRouteReject);
}

// IPv4 table: Iface Destination Gateway Flags RefCnt Use Metric Mask ...
// (hexadecimal fields, one header line).
bool HasDefaultRoute4(std::ifstream& in)
{
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream f(line);
        std::string iface, dest, gateway, flags, refcnt, use, metric, mask;
        if (!(f >> iface >> dest >> gateway >> flags >> refcnt >> use >> metric >> mask))
            continue;
        if (Hex(dest) == 0 && Hex(mask) == 0
            && Usable(iface, Hex(flags)))
            return true;
    }
    return false;
}

// IPv6 table: dest prefixlen src srcprefixlen nexthop metric refcnt use
// flags iface (hexadecimal, no header).
bool HasDefaultRoute6(std::ifstream& in)
{
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream f(line);
        std::string dest, plen, src, splen, hop, metric, refcnt, use, flags, iface;
        if (!(f >> dest >> plen >> src >> splen >> hop >> metric >> refcnt >> use >> flags >> iface))
            continue;
        if (dest.find_first_not_of('0') == std::string::npos && Hex(plen) == 0
            && Usable(iface, Hex(flags)))
            return true;
    }
    return false;
}

} // namespace

BOOL InternetGetConnectedState(DWORD* flags, DWORD)
{
    const std::string folder = ProcNetFolder();
    std::ifstream v4(folder + "/route");
    std::ifstream v6(folder + "/ipv6_route"); // absent when IPv6 is off
    if (!v4 && !v6) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        if (flags)
            *flags = 0;
        return FALSE;
    }
    const bool online = (v4 && HasDefaultRoute4(v4)) || (v6 && HasDefaultRoute6(v6));
    if (flags)
        *flags = online ? INTERNET_CONNECTION_LAN : INTERNET_CONNECTION_OFFLINE;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

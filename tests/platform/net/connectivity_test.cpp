// Connectivity from scripted route tables in the kernel's format.
#include "net/connectivity.h"
#include "testkit.h"

#include <gtest/gtest.h>

namespace {

const char* kHeader4 = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
const char* kSubnet4 = "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
const char* kDefault4 = "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n";
const char* kDefault4Down = "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n";
const char* kDefault4Lo = "lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n";
const char* kDefault6 = "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
                        "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n";
const char* kReject6 = "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
                       "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";
const char* kLink6 = "fe800000000000000000000000000000 40 00000000000000000000000000000000 00 "
                     "00000000000000000000000000000000 00000100 00000002 00000000 00000001     eth0\n";

TEST(ConnectivityTest, OnLineOnlyWithAUsableDefaultRoute)
{
    struct Case {
        const char* name;
        std::string route;  // "-" leaves the file out
        std::string route6;
        DWORD flags;
    } cases[] = {
        {"IPv4 default", std::string(kHeader4) + kSubnet4 + kDefault4, "-", INTERNET_CONNECTION_LAN},
        {"IPv6 default only", std::string(kHeader4) + kSubnet4, std::string(kLink6) + kDefault6,
            INTERNET_CONNECTION_LAN},
        {"subnet routes only", std::string(kHeader4) + kSubnet4, kLink6, INTERNET_CONNECTION_OFFLINE},
        {"default route down", std::string(kHeader4) + kDefault4Down, "", INTERNET_CONNECTION_OFFLINE},
        {"loopback and reject", std::string(kHeader4) + kDefault4Lo, kReject6, INTERNET_CONNECTION_OFFLINE},
        {"damaged table", std::string(kHeader4) + "eth0\tzz\t\n" + "eth0 0000000G 0 0003 0 0 0 00000000\n", "-",
            INTERNET_CONNECTION_OFFLINE},
        {"empty tables", "", "", INTERNET_CONNECTION_OFFLINE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testkit::TempDir dir;
        testkit::ScopedEnv env("QX_PROC_NET", dir.Path());
        if (c.route != "-")
            testkit::WriteFile(dir / "route", c.route);
        if (c.route6 != "-")
            testkit::WriteFile(dir / "ipv6_route", c.route6);
        DWORD flags = 0xFF;
        EXPECT_TRUE(InternetGetConnectedState(&flags, 0));
        EXPECT_EQ(flags, c.flags);
    }
}

TEST(ConnectivityTest, NoRouteTableIsAFailure)
{
    testkit::TempDir dir;
    testkit::ScopedEnv env("QX_PROC_NET", dir.Path());
    DWORD flags = 0xFF;
    EXPECT_FALSE(InternetGetConnectedState(&flags, 0));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

} // namespace

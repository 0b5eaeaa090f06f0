// Connectivity state, as WinINet reports it to programs that only ask
// whether the PC is on line.
//
// "On line" means a usable default route: an IPv4 or IPv6 route to
// everything (destination 0, prefix 0) that is up, does not reject and does
// not go through the loopback interface.  The route tables are read from
// /proc/net (route, ipv6_route); QX_PROC_NET names another folder holding
// tables of the same format, so tests can script the network set-up.
#pragma once

#include "core/wintypes.h"

constexpr DWORD INTERNET_CONNECTION_MODEM = 0x01;
constexpr DWORD INTERNET_CONNECTION_LAN = 0x02;
constexpr DWORD INTERNET_CONNECTION_PROXY = 0x04;
constexpr DWORD INTERNET_CONNECTION_OFFLINE = 0x20;
constexpr DWORD INTERNET_CONNECTION_CONFIGURED = 0x40;

// TRUE with INTERNET_CONNECTION_LAN when a usable default route exists, TRUE
// with INTERNET_CONNECTION_OFFLINE when none does; FALSE with the last error
// when no route table can be read.
BOOL InternetGetConnectedState(DWORD* flags, DWORD reserved);

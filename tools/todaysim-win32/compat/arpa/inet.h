// SPDX-License-Identifier: MIT
// <arpa/inet.h> for the Win32 build of todaysim: inet_pton and the address families are Winsock's.
#ifndef LINKORY_TODAYSIM_WIN32_COMPAT_ARPA_INET_H
#define LINKORY_TODAYSIM_WIN32_COMPAT_ARPA_INET_H

#include <winsock2.h>
#include <ws2tcpip.h>

#endif

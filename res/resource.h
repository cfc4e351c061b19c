// SPDX-License-Identifier: MIT
// Resource numbers of Linkory.dll's icon groups, shared by the code and Linkory.rc.
#ifndef LINKORY_RES_RESOURCE_H
#define LINKORY_RES_RESOURCE_H

#define IDI_IDLE 5
#define IDI_CONNECTED 101
#define IDI_EXPAND 104
#define IDI_COLLAPSE 105

#endif

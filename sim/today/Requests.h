// SPDX-License-Identifier: MIT
// The requests an item sends the Today window, by number and name: one table for the host
// and for every recorder that names them in a trace.
#ifndef LINKORY_SIM_TODAY_REQUESTS_H
#define LINKORY_SIM_TODAY_REQUESTS_H

#include "platform/todaycmn.h"
#include "platform/win32.h"

namespace sim::today {

struct RequestName {
    UINT msg;
    const char* name;
};

inline constexpr RequestName kRequestNames[] = {
    {TODAYM_GETCOLOR, "TODAYM_GETCOLOR"},
    {TODAYM_DRAWWATERMARK, "TODAYM_DRAWWATERMARK"},
    {TODAYM_TOOKSELECTION, "TODAYM_TOOKSELECTION"},
};

// The request's name; null for any other message.
inline const char* request_name(UINT msg)
{
    for (const RequestName& request : kRequestNames)
        if (request.msg == msg)
            return request.name;
    return nullptr;
}

}  // namespace sim::today

#endif

// SPDX-License-Identifier: MIT
// A seam over ConnMgrQueryDetailedStatus: records what the item asks and can answer for the manager.
//
// The test executable defines the function itself; the item, linked in statically, binds to
// it. Every call is recorded, and while scripted answers are queued the front one is given
// instead of asking the simulated Connection Manager.
#ifndef LINKORY_TESTS_UNIT_CONNECTIONS_CONNMGRSEAM_H
#define LINKORY_TESTS_UNIT_CONNECTIONS_CONNMGRSEAM_H

#include <deque>
#include <vector>

#include "platform/connmgr.h"

namespace seam {

struct QueryCall {
    const void* buffer;
    DWORD sizeIn;   // *size when the call began
    DWORD sizeOut;  // *size when it returned
    HRESULT result;
};

// An answer given in the manager's place: result, and the size written back (when not 0).
struct Answer {
    HRESULT result;
    DWORD size;
};

std::vector<QueryCall>& query_calls();
std::deque<Answer>& scripted_answers();
void reset();

}  // namespace seam

#endif  // LINKORY_TESTS_UNIT_CONNECTIONS_CONNMGRSEAM_H

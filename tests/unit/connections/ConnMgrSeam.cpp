// SPDX-License-Identifier: MIT
// ConnMgrQueryDetailedStatus seen from the test executable, forwarding to cellcore.
#include "unit/connections/ConnMgrSeam.h"

#include <dlfcn.h>

namespace seam {

std::vector<QueryCall>& query_calls()
{
    static std::vector<QueryCall> calls;
    return calls;
}

std::deque<Answer>& scripted_answers()
{
    static std::deque<Answer> answers;
    return answers;
}

void reset()
{
    query_calls().clear();
    scripted_answers().clear();
}

}  // namespace seam

extern "C" HRESULT WINAPI ConnMgrQueryDetailedStatus(CONNMGR_CONNECTION_DETAILED_STATUS* buffer, DWORD* size)
{
    using Function = HRESULT (*)(CONNMGR_CONNECTION_DETAILED_STATUS*, DWORD*);
    static Function real = reinterpret_cast<Function>(dlsym(RTLD_NEXT, "ConnMgrQueryDetailedStatus"));
    seam::QueryCall call = {buffer, size ? *size : 0, 0, 0};
    if (!seam::scripted_answers().empty()) {
        seam::Answer answer = seam::scripted_answers().front();
        seam::scripted_answers().pop_front();
        if (answer.size != 0 && size)
            *size = answer.size;
        call.result = answer.result;
    } else {
        call.result = real(buffer, size);
    }
    call.sizeOut = size ? *size : 0;
    seam::query_calls().push_back(call);
    return call.result;
}

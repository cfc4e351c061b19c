// SPDX-License-Identifier: MIT
// The entry point of the test programs in Microsoft mode: without the static C runtime there
// is no start-up to call main, so this is the process's entry (mainCRTStartup by name). It
// runs every group, or the one named on the command line, and exits with the failure count.
#include <windows.h>

#include "Check.h"

int checkFailures = 0;

extern const CheckGroup kFaultGuardChecks[];
extern const int kFaultGuardCheckCount;
extern const CheckGroup kStartupChecks[];
extern const int kStartupCheckCount;

namespace {

struct GroupList {
    const CheckGroup* groups;
    const int* count;
};

const GroupList kLists[] = {{kFaultGuardChecks, &kFaultGuardCheckCount}, {kStartupChecks, &kStartupCheckCount}};

// True when the program's argument is absent or names the group.
bool Chosen(const char* name, int arguments, wchar_t** argv)
{
    if (arguments < 2 || !argv)
        return true;
    const wchar_t* wanted = argv[1];
    for (; *name && *wanted; ++name, ++wanted)
        if (static_cast<wchar_t>(*name) != *wanted)
            return false;
    return !*name && !*wanted;
}

}  // namespace

extern "C" void mainCRTStartup()
{
    const wchar_t* line = GetCommandLineW();
    int arguments = 0;
    wchar_t** argv = CommandLineToArgvW(line, &arguments);
    int ran = 0;
    for (int list = 0; list < static_cast<int>(sizeof kLists / sizeof kLists[0]); ++list) {
        for (int i = 0; i < *kLists[list].count; ++i) {
            const CheckGroup& group = kLists[list].groups[i];
            if (!Chosen(group.name, arguments, argv))
                continue;
            const int before = checkFailures;
            group.run();
            printf("%s: %s\n", group.name, checkFailures == before ? "passed" : "FAILED");
            ++ran;
        }
    }
    if (ran == 0) {
        printf("no group of that name\n");
        ++checkFailures;
    }
    fflush(stdout);
    ExitProcess(static_cast<UINT>(checkFailures));
}

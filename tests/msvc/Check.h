// SPDX-License-Identifier: MIT
// A minimal test harness for the programs built in Microsoft mode, which have no C++ library
// (so no GoogleTest): CHECK records a failure with its file and line, main's exit status is
// the number of failures.
#ifndef LINKORY_TESTS_MSVC_CHECK_H
#define LINKORY_TESTS_MSVC_CHECK_H

#include <stdio.h>

extern int checkFailures;

#define CHECK(condition)                                                                       \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            ++checkFailures;                                                                   \
            printf("%s(%d): check failed: %s\n", __FILE__, __LINE__, #condition);             \
        }                                                                                      \
    } while (0)

// One named group of checks, run from the program's table.
struct CheckGroup {
    const char* name;
    void (*run)();
};

#endif

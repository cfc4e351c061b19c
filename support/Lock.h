// SPDX-License-Identifier: MIT
// CLock: holds a critical section from construction to the end of the enclosing scope.
#ifndef LINKORY_SUPPORT_LOCK_H
#define LINKORY_SUPPORT_LOCK_H

#include "platform/win32.h"

// Every early return of a locked operation leaves the section this way, so no failure
// path can forget the LeaveCriticalSection.
class CLock {
public:
    explicit CLock(CRITICAL_SECTION* section) : section(section) { EnterCriticalSection(section); }
    ~CLock() { LeaveCriticalSection(section); }

private:
    // Not copyable: declared and never defined.
    CLock(const CLock&);
    CLock& operator=(const CLock&);

    CRITICAL_SECTION* section;
};

#endif

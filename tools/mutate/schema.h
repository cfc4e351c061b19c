// SPDX-License-Identifier: MIT
// The switch behind every mutant of one generated source file. The generated file defines
// LKM_FIRST and LKM_COUNT (its mutants' ids) and includes this first.
//
// LINKORY_MUTANT=N turns mutant N on; it is read once per process and file, since the
// switches sit in hot paths. LINKORY_MUTANT_TRACE=FILE appends, when the process ends or
// the library is unloaded, the ids of the switches that were evaluated: which mutants a
// test reaches.
#ifndef LINKORY_MUTANT_SCHEMA_H
#define LINKORY_MUTANT_SCHEMA_H

#include <stdio.h>
#include <stdlib.h>

namespace {

struct LkmState {
    long active;
    FILE* traceTo;
    const char* tracePath;
    unsigned char seen[LKM_COUNT > 0 ? LKM_COUNT : 1];

    LkmState() : active(0), traceTo(NULL), tracePath(NULL)
    {
        const char* id = getenv("LINKORY_MUTANT");
        if (id)
            active = strtol(id, NULL, 10);
        tracePath = getenv("LINKORY_MUTANT_TRACE");
        for (int i = 0; i < LKM_COUNT; ++i)
            seen[i] = 0;
    }

    ~LkmState()
    {
        if (!tracePath || !*tracePath)
            return;
        FILE* out = fopen(tracePath, "a");
        if (!out)
            return;
        for (int i = 0; i < LKM_COUNT; ++i)
            if (seen[i])
                fprintf(out, "%d\n", LKM_FIRST + i);
        fclose(out);
    }
};

LkmState& lkm_state()
{
    static LkmState state;
    return state;
}

// Made as the file's code loads, not at the first switch: registering the destructor may
// allocate, and a test that counts the C runtime's blocks would see it.
LkmState& lkm_loaded = lkm_state();

inline bool lkm_on(int id)
{
    LkmState& s = lkm_state();
    if (s.tracePath)
        s.seen[id - LKM_FIRST] = 1;
    return s.active == id;
}

}  // namespace

#endif

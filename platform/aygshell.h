// SPDX-License-Identifier: MIT
// The shell's user-interface metrics query (aygshell): the Text Size setting in pixels.
#ifndef LINKORY_PLATFORM_AYGSHELL_H
#define LINKORY_PLATFORM_AYGSHELL_H

#include "win32.h"

typedef enum {
    SHUIM_INVALID = 0,
    SHUIM_FONTSIZE_POINT = 1,
    SHUIM_FONTSIZE_PIXEL = 2,
    SHUIM_FONTSIZE_PERCENTAGE = 3
} SHUIMETRIC;

#ifdef __cplusplus
extern "C" {
#endif

// Writes one DWORD into buffer for the font metrics; either pointer may be null.
HRESULT WINAPI SHGetUIMetrics(SHUIMETRIC metric, PVOID buffer, DWORD bufferSize, DWORD* required);

#ifdef __cplusplus
}
#endif

#endif  // LINKORY_PLATFORM_AYGSHELL_H

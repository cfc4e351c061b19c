// SPDX-License-Identifier: MIT
// The fault guard: runs a call so that a processor fault or a C++ exception ends it cleanly.
#ifndef LINKORY_PLATFORM_FAULTGUARD_H
#define LINKORY_PLATFORM_FAULTGUARD_H

// The device raises processor faults (access violations, illegal instructions, division
// by zero) as exceptions that a window procedure can catch. RunGuarded gives the plug-in
// that on every build: it returns true when call(context) returned normally, and false
// when the call raised a fault or threw anything. After a fault, the frames between the
// guard and the fault are abandoned without running their destructors.
// Guards nest: a fault is caught by the innermost guard of the faulting thread. A fault
// outside every guard goes to whatever handled it before (usually: the process ends).
typedef void (*GuardedCall)(void* context);
bool RunGuarded(GuardedCall call, void* context);

#endif  // LINKORY_PLATFORM_FAULTGUARD_H

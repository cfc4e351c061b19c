// SPDX-License-Identifier: MIT
// RunGuardedCall: the fault guard around a callable object, for tests written with lambdas.
#ifndef LINKORY_TESTS_SUPPORT_GUARDEDCALL_H
#define LINKORY_TESTS_SUPPORT_GUARDEDCALL_H

#include <type_traits>

#include "platform/FaultGuard.h"

// RunGuardedCall([&] { ... }) is RunGuarded of the lambda.
template <typename Callable>
bool RunGuardedCall(Callable&& callable)
{
    using Target = typename std::remove_reference<Callable>::type;
    return RunGuarded([](void* context) { (*static_cast<Target*>(context))(); },
                      const_cast<void*>(static_cast<const volatile void*>(&callable)));
}

#endif  // LINKORY_TESTS_SUPPORT_GUARDEDCALL_H

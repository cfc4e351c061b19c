// SPDX-License-Identifier: MIT
// Resets registered by a library that is later unloaded must not outlive its code.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "sim/coredll/Sim.h"

namespace {

const char* LibraryPath()
{
    return RESET_TEST_LIBRARY;
}

}  // namespace

TEST(ResetRegistration, RunsWhileLoadedAndIsForgottenAtUnload)
{
    void* library = dlopen(LibraryPath(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto resets = reinterpret_cast<int (*)()>(dlsym(library, "reset_test_library_resets"));
    ASSERT_NE(resets, nullptr);

    sim::reset_for_tests();
    EXPECT_EQ(resets(), 1);

    ASSERT_EQ(dlclose(library), 0);
    // With the library gone, a reset that still called into it would crash here.
    sim::reset_for_tests();
}

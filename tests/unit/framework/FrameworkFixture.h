// SPDX-License-Identifier: MIT
// Fixture for the window framework: a fresh device, a fake host, and the class unregistered.
#ifndef LINKORY_TESTS_UNIT_FRAMEWORK_FRAMEWORKFIXTURE_H
#define LINKORY_TESTS_UNIT_FRAMEWORK_FRAMEWORKFIXTURE_H

#include <memory>

#include "framework/BasicWnd.h"
#include "sim/coredll/SimUser.h"
#include "support/FakeHost.h"
#include "support/SimFixture.h"
#include "unit/framework/Interpose.h"
#include "unit/framework/ProbeItem.h"

class FrameworkFixture : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        // As at a load of the library: the device forgot its classes, so must we.
        CBasicWnd::UnregisterWindowClass();
        host.reset(new FakeHost());
        interpose::def_proc_calls().clear();
    }

    void TearDown() override
    {
        interpose::refuse_destroy(false);
        sim::user::fail_screen_dc(false);
        host.reset();
        CBasicWnd::UnregisterWindowClass();
        SimFixture::TearDown();
    }

    // A ProbeItem with a window in the host; the test deletes it.
    ProbeItem* MakeItem()
    {
        ProbeItem* item = new ProbeItem();
        item->Create(instance, &host->Record(), host->Window());
        item->calls.clear();
        return item;
    }

    // A distinct, non-null module handle; the device accepts any instance.
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x10000));
    std::unique_ptr<FakeHost> host;
};

#endif  // LINKORY_TESTS_UNIT_FRAMEWORK_FRAMEWORKFIXTURE_H

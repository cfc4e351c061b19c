// SPDX-License-Identifier: MIT
// Test fixture that boots a fresh simulated device and fails a test that misuses it or leaks.
//
// SetUp resets the device and records baselines; TearDown fails the test on every
// violation it did not claim with ExpectViolation, and on heap blocks, critical
// sections or file handles left behind. A subclass that overrides TearDown must call
// SimFixture::TearDown.
#ifndef LINKORY_TESTS_SUPPORT_SIMFIXTURE_H
#define LINKORY_TESTS_SUPPORT_SIMFIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/common/Violations.h"
#include "sim/coredll/Sim.h"
#include "sim/coredll/SimGdi.h"
#include "sim/coredll/SimKernel.h"
#include "sim/coredll/SimUser.h"

class SimFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::reset_for_tests();
        heapBaseline = sim::kernel::heap_stats();
        sectionsBaseline = sim::kernel::live_critical_sections();
        heldBaseline = sim::kernel::held_critical_sections();
        filesBaseline = sim::kernel::live_file_handles();
    }

    void TearDown() override
    {
        CollectViolations();
        std::vector<std::string> unexpected;
        unexpected.swap(pending);
        for (const std::string& violation : unexpected)
            ADD_FAILURE() << "unexpected violation: " << violation;
        unexpected.clear();
        unexpected.shrink_to_fit();

        sim::kernel::heap_fail_off();
        const sim::kernel::HeapStats heap = sim::kernel::heap_stats();
        EXPECT_EQ(heap.live_blocks, heapBaseline.live_blocks) << "heap blocks leaked";
        EXPECT_EQ(heap.live_bytes, heapBaseline.live_bytes) << "heap bytes leaked";
        EXPECT_EQ(sim::kernel::live_critical_sections(), sectionsBaseline) << "critical sections leaked";
        EXPECT_EQ(sim::kernel::held_critical_sections(), heldBaseline) << "critical sections left held";
        EXPECT_EQ(sim::kernel::live_file_handles(), filesBaseline) << "file handles leaked";
        EXPECT_EQ(sim::gdi::live_objects(), 0u) << "GDI objects leaked";
        EXPECT_EQ(sim::gdi::live_dcs(), 0u) << "device contexts leaked";
        EXPECT_EQ(sim::gdi::live_icons(), 0u) << "icons leaked";
        EXPECT_EQ(sim::user::live_windows(), 0u) << "windows left alive";
    }

    // Claims one violation whose text contains `substring`; fails the test if none does.
    void ExpectViolation(const std::string& substring)
    {
        CollectViolations();
        for (auto it = pending.begin(); it != pending.end(); ++it) {
            if (it->find(substring) != std::string::npos) {
                pending.erase(it);
                return;
            }
        }
        std::string seen;
        for (const std::string& violation : pending)
            seen += "\n  " + violation;
        ADD_FAILURE() << "expected a violation containing \"" << substring << "\"; pending:"
                      << (seen.empty() ? std::string(" none") : seen);
    }

    // The heap counters at SetUp; tests compare deltas against them.
    sim::kernel::HeapStats heapBaseline{};

private:
    void CollectViolations()
    {
        for (std::string& violation : sim::take_violations())
            pending.push_back(std::move(violation));
    }

    size_t sectionsBaseline = 0;
    size_t heldBaseline = 0;
    size_t filesBaseline = 0;
    std::vector<std::string> pending;
};

#endif

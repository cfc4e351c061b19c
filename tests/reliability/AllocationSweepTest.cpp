// SPDX-License-Identifier: MIT
// Allocation-failure sweeps over the life of Linkory.dll in the Today host, phase by phase.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "reliability/ReliabilityFixture.h"
#include "reliability/Story.h"
#include "sim/coredll/SimKernel.h"

namespace {

using namespace reliability;

enum Phase { kLoad, kPoll, kExpandedPaint, kSecondInit, kUnload, kPhases };
const char* const kPhaseNames[kPhases] = {"library load and first InitializeCustomItem with a language file",
                                          "poll with connections and destinations", "expanded paint",
                                          "second InitializeCustomItem", "unload"};

class AllocationSweep : public ReliabilityFixture {
protected:
    void SetUp() override
    {
        ReliabilityFixture::SetUp();
        sim::cellcore::set_model(ThreeConnected());
        WriteFile("Linkory.0409.intl", Utf16File(GermanFile()));
        StartHost();
    }

    // Runs `body` as phase `phase`: when it is the failing phase, its n-th allocation fails.
    template <typename Body>
    void RunPhase(Phase phase, Body&& body)
    {
        unsigned long before = sim::kernel::heap_allocation_count();
        if (phase == failing && failAt && !failOnwards)
            sim::kernel::heap_fail_nth(failAt);
        if (phase == failing && failAt && failOnwards)
            sim::kernel::heap_fail_from(failAt);
        body();
        sim::kernel::heap_fail_off();
        attempts[phase] = sim::kernel::heap_allocation_count() - before;
    }

    // One life of the library, from load to unload, with allocation `n` of `phase` failing
    // (n = 0: nothing fails), or with `onwards` every allocation from the n-th to the end
    // of the phase. Each phase is checked for what the item must show after it.
    void Life(Phase phase, unsigned long n, bool onwards = false)
    {
        failing = phase;
        failAt = n;
        failOnwards = onwards;
        const LiveCounts start = Live();
        listener.leftovers.clear();

        RunPhase(kLoad, [&] { Load(); });
        if (!Window()) {
            EXPECT_EQ(phase, kLoad) << "only a failed load may leave the host without a window";
        } else {
            // Expanded before anything is up, so the poll that finds the connections paints
            // every block inside itself.
            Toggle();
            TakeTexts();
            RunPhase(kPoll, [&] { host->poll(); });
            PaintItem();
            std::vector<std::u16string> texts = TakeTexts();
            // Only a failed load may fall back to the built-in texts: all of them or none.
            Language language = phase == kLoad ? LanguageOf(texts) : Language::German;
            EXPECT_TRUE(ShowsThreeConnected(texts, language, phase == kPoll)) << "after the poll";

            // A poll that has enough memory repairs whatever the failed one left.
            host->poll();
            RunPhase(kExpandedPaint, [&] { PaintItem(); });
            EXPECT_TRUE(ShowsThreeConnected(TakeTexts(), language, phase == kExpandedPaint)) << "expanded paint";

            RunPhase(kSecondInit, [&] { Load(); });
            ASSERT_NE(Window(), nullptr) << "a second initialization reuses the item";
            host->poll();
            PaintItem();
            texts = TakeTexts();
            // A table that could not be made at load is made now, and then translates.
            if (language == Language::English)
                language = LanguageOf(texts);
            EXPECT_TRUE(ShowsThreeConnected(texts, language, false)) << "after the second initialization";
        }

        RunPhase(kUnload, [&] { host->unload_all(); });
        EXPECT_EQ(listener.leftovers, std::vector<std::string>{});
        listener.leftovers.clear();
        const LiveCounts end = Live();
        EXPECT_TRUE(end == start) << "at load: " << Describe(start) << "\nafter unload: " << Describe(end);
    }

    Phase failing = kLoad;
    unsigned long failAt = 0;
    bool failOnwards = false;
    unsigned long attempts[kPhases] = {};
};

TEST_F(AllocationSweep, EveryAllocationOfEveryPhaseMayFail)
{
    // A life without failures gives the number of allocations of each phase.
    Life(kLoad, 0);
    ASSERT_FALSE(HasFailure());
    unsigned long counts[kPhases];
    std::copy(std::begin(attempts), std::end(attempts), std::begin(counts));
    EXPECT_GT(counts[kLoad], 0u) << "loading the language file allocates";
    EXPECT_GT(counts[kPoll], 0u) << "the first poll allocates the snapshot";

    // Each point twice: the one allocation fails, then every allocation from it on (memory
    // that stays short exercises the recovery paths as well).
    unsigned long total = 0;
    for (int phase = 0; phase < kPhases; ++phase) {
        SCOPED_TRACE(kPhaseNames[phase]);
        for (bool onwards : {false, true}) {
            for (unsigned long n = 1; n <= counts[phase]; ++n) {
                SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(counts[phase]) +
                             (onwards ? " and all after it fail" : " fails"));
                Life(Phase(phase), n, onwards);
                if (HasFailure())
                    return;
            }
        }
        total += counts[phase];
        std::printf("[  SWEEP   ] %s: %lu failure points, each failed once and onwards\n", kPhaseNames[phase],
                    counts[phase]);
    }
    std::printf("[  SWEEP   ] all phases: %lu failure points, %lu runs\n", total, 2 * total);
    RecordProperty("failure_points", int(total));
}

}  // namespace

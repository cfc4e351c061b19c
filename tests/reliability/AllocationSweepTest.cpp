// SPDX-License-Identifier: MIT
// Failure sweeps over the life of Linkory.dll in the Today host, phase by phase: heap
// allocations, and what the device's GDI and window manager hand out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "reliability/ReliabilityFixture.h"
#include "reliability/Story.h"
#include "sim/coredll/SimAcquire.h"
#include "sim/coredll/SimKernel.h"

namespace {

using namespace reliability;

enum Phase { kLoad, kPoll, kExpandedPaint, kSecondInit, kUnload, kPhases };
const char* const kPhaseNames[kPhases] = {"library load and first InitializeCustomItem with a language file",
                                          "poll with connections and destinations", "expanded paint",
                                          "second InitializeCustomItem", "unload"};

// What runs short: heap memory, or fonts, brushes, icons, contexts, paints, windows and classes.
enum Resource { kHeap, kGdi, kResources };
const char* const kResourceNames[kResources] = {"allocation", "GDI or window acquisition"};

unsigned long Count(Resource resource)
{
    return resource == kHeap ? sim::kernel::heap_allocation_count() : sim::acquire::acquisition_count();
}

void Arm(Resource resource, unsigned long n, bool onwards)
{
    if (resource == kHeap)
        onwards ? sim::kernel::heap_fail_from(n) : sim::kernel::heap_fail_nth(n);
    else
        onwards ? sim::acquire::fail_from(n) : sim::acquire::fail_nth(n);
}

void Disarm()
{
    sim::kernel::heap_fail_off();
    sim::acquire::fail_off();
}

class AllocationSweep : public ReliabilityFixture {
protected:
    void SetUp() override
    {
        ReliabilityFixture::SetUp();
        sim::cellcore::set_model(ThreeConnected());
        WriteFile("Linkory.0409.intl", Utf16File(GermanFile()));
        StartHost();
    }

    // Runs `body` as phase `phase`: when it is the failing phase, its n-th allocation (or
    // acquisition) fails.
    template <typename Body>
    void RunPhase(Phase phase, Body&& body)
    {
        unsigned long before[kResources] = {Count(kHeap), Count(kGdi)};
        if (phase == failing && failAt)
            Arm(resource, failAt, failOnwards);
        body();
        Disarm();
        for (int r = 0; r < kResources; ++r)
            attempts[r][phase] = Count(Resource(r)) - before[r];
    }

    // One life of the library, from load to unload, with allocation `n` of `phase` failing
    // (n = 0: nothing fails), or with `onwards` every allocation from the n-th to the end
    // of the phase. Each phase is checked for what the item must show after it.
    void Life(Resource what, Phase phase, unsigned long n, bool onwards = false)
    {
        resource = what;
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
            texts = TakeTexts();
            // Without a paint context the item paints nothing; the next paint is whole.
            if (!(NoPaint(kExpandedPaint) && texts.empty())) {
                EXPECT_TRUE(ShowsThreeConnected(texts, language, phase == kExpandedPaint)) << "expanded paint";
            }
            if (NoPaint(kExpandedPaint)) {
                PaintItem();
                EXPECT_TRUE(ShowsThreeConnected(TakeTexts(), language, false)) << "the paint after";
            }

            RunPhase(kSecondInit, [&] { Load(); });
            // Without a window the earlier one, already destroyed, is not brought back.
            if (!Window()) {
                EXPECT_TRUE(resource == kGdi && phase == kSecondInit) << "a second initialization reuses the item";
            } else {
                host->poll();
                PaintItem();
                texts = TakeTexts();
                // A table that could not be made at load is made now, and then translates.
                if (language == Language::English)
                    language = LanguageOf(texts);
                EXPECT_TRUE(ShowsThreeConnected(texts, language, false)) << "after the second initialization";
            }
        }

        RunPhase(kUnload, [&] { host->unload_all(); });
        EXPECT_EQ(listener.leftovers, std::vector<std::string>{});
        listener.leftovers.clear();
        const LiveCounts end = Live();
        EXPECT_TRUE(end == start) << "at load: " << Describe(start) << "\nafter unload: " << Describe(end);
    }

    // Fails every point of every phase, once and onwards, and prints the figures.
    void SweepAll(Resource what)
    {
        unsigned long counts[kPhases];
        std::copy(std::begin(attempts[what]), std::end(attempts[what]), std::begin(counts));
        unsigned long total = 0;
        for (int phase = 0; phase < kPhases; ++phase) {
            SCOPED_TRACE(kPhaseNames[phase]);
            for (bool onwards : {false, true}) {
                for (unsigned long n = 1; n <= counts[phase]; ++n) {
                    SCOPED_TRACE(std::string(kResourceNames[what]) + " " + std::to_string(n) + " of " +
                                 std::to_string(counts[phase]) + (onwards ? " and all after it fail" : " fails"));
                    Life(what, Phase(phase), n, onwards);
                    if (HasFailure())
                        return;
                }
            }
            total += counts[phase];
            std::printf("[  SWEEP   ] %s, %s: %lu failure points, each failed once and onwards\n",
                        kResourceNames[what], kPhaseNames[phase], counts[phase]);
        }
        std::printf("[  SWEEP   ] %s, all phases: %lu failure points, %lu lives\n", kResourceNames[what], total,
                    2 * total);
        RecordProperty("failure_points", int(total));
    }

    // Whether the failing phase may have painted nothing at all.
    bool NoPaint(Phase phase) const { return resource == kGdi && failing == phase && failAt; }

    Resource resource = kHeap;
    Phase failing = kLoad;
    unsigned long failAt = 0;
    bool failOnwards = false;
    unsigned long attempts[kResources][kPhases] = {};
};

TEST_F(AllocationSweep, EveryAllocationOfEveryPhaseMayFail)
{
    // A life without failures gives the number of allocations of each phase.
    Life(kHeap, kLoad, 0);
    ASSERT_FALSE(HasFailure());
    EXPECT_GT(attempts[kHeap][kLoad], 0u) << "loading the language file allocates";
    EXPECT_GT(attempts[kHeap][kPoll], 0u) << "the first poll allocates the snapshot";
    SweepAll(kHeap);
}

TEST_F(AllocationSweep, EveryGdiAndWindowAcquisitionOfEveryPhaseMayFail)
{
    Life(kGdi, kLoad, 0);
    ASSERT_FALSE(HasFailure());
    EXPECT_GE(attempts[kGdi][kLoad], 3u) << "the class, the window and the icons";
    EXPECT_GE(attempts[kGdi][kExpandedPaint], 5u) << "a paint context and three fonts at least";
    SweepAll(kGdi);
}

}  // namespace

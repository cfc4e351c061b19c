// SPDX-License-Identifier: MIT
// Benchmarks of the item's poll and paint in the real Linkory.dll on the simulated device.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/Probes.h"
#include "bench/Report.h"
#include "bench/TodayRig.h"

namespace {

// The sizes the figures are quoted for, then two that move destinations and connections
// apart, so that the cost per destination and per connection can be told apart.
void Shapes(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"D", "C"});
    for (auto shape : {std::pair<int, int>{2, 1}, {8, 4}, {64, 16}, {256, 64}, {256, 4}, {8, 64}})
        b->Args({shape.first, shape.second});
}

bool Ready(benchmark::State& state, bench::TodayRig& rig)
{
    if (!rig.ok()) {
        state.SkipWithError(rig.failure().c_str());
        return false;
    }
    // The rig has painted by now: no font counted means Linkory.dll bypassed the counting
    // definitions (the executable no longer exports them), and every GDI figure would be 0.
    if (bench::snapshot().fonts_created == 0) {
        state.SkipWithError("the plug-in's platform calls are not counted");
        return false;
    }
    bench::watch_paints(rig.Item());
    return true;
}

// Misuse of the device would make every figure meaningless.
void CheckClean(benchmark::State& state, bench::TodayRig& rig)
{
    static std::string seen;
    seen = rig.Violations();
    if (!seen.empty()) {
        std::fprintf(stderr, "%s", seen.c_str());
        state.SkipWithError("the plug-in misused the device");
    }
    bench::watch_paints(nullptr);
}

// A poll that finds nothing changed: the destination list is rebuilt, the status buffer
// reused, nothing painted.
void SteadyPoll(benchmark::State& state)
{
    bench::TodayRig rig(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    if (!Ready(state, rig))
        return;
    rig.Poll();
    const bench::Counts before = bench::snapshot();
    for (auto _ : state)
        benchmark::DoNotOptimize(rig.Poll());
    bench::publish(state, bench::snapshot() - before);
    CheckClean(state, rig);
}
BENCHMARK(SteadyPoll)->Apply(Shapes);

// A message the item does not handle: the class window procedure's routing and fault
// guard, the part of every message that is not the item's own work.
void IgnoredMessage(benchmark::State& state)
{
    bench::TodayRig rig(2, 1);
    if (!Ready(state, rig))
        return;
    const bench::Counts before = bench::snapshot();
    for (auto _ : state)
        benchmark::DoNotOptimize(SendMessageW(rig.Item(), WM_NULL, 0, 0));
    bench::publish(state, bench::snapshot() - before);
    CheckClean(state, rig);
}
BENCHMARK(IgnoredMessage);

// A poll that finds one connection more or less than last time, with the repaint it makes
// (and, expanded, the host's resize and the second paint that follows the new height).
void ChangedPoll(benchmark::State& state)
{
    const int destinations = 8;
    const int connections = 4;
    bench::TodayRig rig(destinations, connections);
    if (!Ready(state, rig))
        return;
    if (state.range(0)) {
        rig.Action();
        rig.Poll();
    }
    int connected = connections;
    const bench::Counts before = bench::snapshot();
    for (auto _ : state) {
        state.PauseTiming();
        connected = connected == connections ? connections - 1 : connections;
        rig.SetConnected(connected);
        state.ResumeTiming();
        benchmark::DoNotOptimize(rig.Poll());
    }
    bench::publish(state, bench::snapshot() - before);
    CheckClean(state, rig);
}
BENCHMARK(ChangedPoll)->ArgName("expanded")->Arg(0)->Arg(1);

// The paint of an expanded item with every connection up: erase, header, one detail
// block per connection (each looking its destination up in the whole list), toggle box.
void ExpandedPaint(benchmark::State& state)
{
    bench::TodayRig rig(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    if (!Ready(state, rig))
        return;
    rig.Action();
    rig.Poll();
    const bench::Counts before = bench::snapshot();
    for (auto _ : state)
        rig.Paint();
    bench::publish(state, bench::snapshot() - before);
    CheckClean(state, rig);
}
BENCHMARK(ExpandedPaint)->Apply(Shapes);

}  // namespace

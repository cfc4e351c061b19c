// SPDX-License-Identifier: MIT
// Publishing the platform counters of a benchmark run as per-operation figures.
#ifndef LINKORY_BENCH_REPORT_H
#define LINKORY_BENCH_REPORT_H

#include <benchmark/benchmark.h>

#include "bench/Probes.h"

namespace bench {

// Sets one counter per field of `delta`, averaged over the run's iterations.
void publish(benchmark::State& state, const Counts& delta);

}  // namespace bench

#endif

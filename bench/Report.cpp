// SPDX-License-Identifier: MIT
// Publishing the platform counters of a benchmark run as per-operation figures.
#include "bench/Report.h"

namespace bench {

void publish(benchmark::State& state, const Counts& d)
{
    const struct {
        const char* name;
        double value;
    } fields[] = {
        {"allocs", d.allocations},
        {"reallocs", d.reallocations},
        {"frees", d.frees},
        {"heap_growth", d.live_blocks},
        {"record_allocs", d.record_blocks},
        {"status_new", d.status_buffer_changes},
        {"status_resized", d.status_buffer_resizes},
        {"cm_queries", d.status_queries},
        {"cm_enums", d.destination_enums},
        {"fonts_new", d.fonts_created},
        {"fonts_del", d.fonts_deleted},
        {"gdi_growth", d.live_gdi_objects},
        {"dc_growth", d.live_dcs},
        {"locks", d.lock_entries},
        {"reads", d.file_reads},
        {"paints", d.paints},
    };
    for (const auto& field : fields)
        state.counters[field.name] = benchmark::Counter(field.value, benchmark::Counter::kAvgIterations);
}

}  // namespace bench

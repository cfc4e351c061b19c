// SPDX-License-Identifier: MIT
// Control of the simulated shell's Text Size setting, as SHGetUIMetrics reports it.
#ifndef LINKORY_SIM_AYGSHELL_SIMAYGSHELL_H
#define LINKORY_SIM_AYGSHELL_SIMAYGSHELL_H

#include <cstdint>

namespace sim::aygshell {

// The user-interface font size in pixels (a fresh boot has 12, the 9-point default at 96 DPI).
// Sizes below 1 are refused with a violation.
void set_font_size_pixels(int pixels);
int font_size_pixels();

// The screen density the point and percentage metrics are derived with (default 96).
// Values below 1 are refused with a violation.
void set_dpi(int dpi);

// A shell without the metrics: SHGetUIMetrics then fails with E_NOTIMPL and writes nothing.
void set_writes_nothing(bool on);

uint64_t call_count();

// A fresh boot: 12 pixels, 96 DPI, metrics available, no calls counted.
void reset();

}  // namespace sim::aygshell

#endif

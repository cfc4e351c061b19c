// SPDX-License-Identifier: MIT
// What the fuzz targets share: a private folder for the language file, and the checks that
// turn a leak or a misuse of the simulated device into a crash libFuzzer reports.
#ifndef LINKORY_FUZZ_FUZZSUPPORT_H
#define LINKORY_FUZZ_FUZZSUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win32.h"

namespace fuzz {

// A folder of its own under $TMPDIR, made once per process and removed at exit, with a
// pretend library path "<folder>/Linkory.dll" answered by GetModuleFileNameW for module().
const std::string& folder();
HMODULE module();

// Writes bytes as "<folder>/Linkory.<LANG>.intl" (language as four hex digits).
void write_language_file(unsigned language, const uint8_t* data, size_t size);
void remove_language_file(unsigned language);

// Heap blocks, GDI objects, icons, windows and device contexts live now.
struct LiveCounts {
    size_t heap_blocks;
    size_t heap_bytes;
    size_t gdi_objects;
    size_t icons;
    size_t windows;
    size_t dcs;
    size_t files;
};
LiveCounts live_counts();

// Aborts (so libFuzzer keeps the input) when a count differs from `before` or the
// device recorded a violation; `what` names the step in the message.
void expect_clean(const LiveCounts& before, const char* what);

// Reads every unit of a text up to its terminator, so the address sanitizer sees a text
// that runs past its block; returns its length. Null gives 0.
size_t touch_text(const WCHAR* text);

// Splits fuzz input into small pieces: the next byte, a 32-bit value, or a run of UTF-16
// units (at most max_units) as a string. Past the end everything reads as 0 / empty.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte();
    uint32_t u32();
    std::u16string text(size_t max_units);
    bool done() const { return pos_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace fuzz

#endif

// SPDX-License-Identifier: MIT
// Failure injection for what a program acquires from GDI and USER: fonts, brushes, icons,
// device contexts, paints, windows and window classes.
//
// On a device short of memory these calls fail as the heap does. One count covers all of
// them, in call order, so that a sweep can fail each acquisition of an operation in turn.
#ifndef LINKORY_SIM_COREDLL_SIMACQUIRE_H
#define LINKORY_SIM_COREDLL_SIMACQUIRE_H

namespace sim::acquire {

// What an injected failure answers, by kind: CreateFontIndirectW, CreateSolidBrush,
// LoadImageW, GetDC and BeginPaint answer null, CreateWindowExW null, RegisterClassW 0;
// each sets the last error to ERROR_NOT_ENOUGH_MEMORY (8). A failed BeginPaint leaves the
// window invalid and sends nothing; a failed CreateWindowExW sends no message.
enum class Kind { Font, Brush, Icon, DeviceContext, Paint, Window, Class };

// The API whose acquisition a kind is ("BeginPaint", ...); GetDC for DeviceContext.
const char* api_name(Kind kind);

// Acquisitions so far (every call of the APIs above that got past its argument checks),
// failed or not. The difference across an operation is the range a sweep walks.
unsigned long acquisition_count();
// Injected failures so far.
unsigned long failure_count();

// The n-th acquisition from now fails once (n = 1: the next one); 0 disarms.
void fail_nth(unsigned long n);
// Every acquisition from the n-th from now on fails until fail_off(); 0 disarms.
void fail_from(unsigned long n);
// Disarms injection (also done by sim::reset_for_tests()).
void fail_off();

// For the emulated APIs: counts one acquisition of `kind` and says whether it must fail.
// When it must, the last error is already set.
bool injected_failure(Kind kind);

}  // namespace sim::acquire

#endif

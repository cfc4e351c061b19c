// SPDX-License-Identifier: MIT
// The simulated device's system code page (Windows-1252), shared by the conversion
// function and the printf family's narrow-text conversions. Internal to libcoredll.
#ifndef LINKORY_SIM_COREDLL_KERNEL_CODEPAGE_H
#define LINKORY_SIM_COREDLL_KERNEL_CODEPAGE_H

namespace sim::kernel {

// The UTF-16 unit for one Windows-1252 byte. The five bytes cp1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as Windows does.
char16_t cp1252_to_utf16(unsigned char byte);

}  // namespace sim::kernel

#endif

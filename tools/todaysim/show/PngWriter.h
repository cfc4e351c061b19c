// SPDX-License-Identifier: MIT
// Writes an RGB picture to a PNG file with libpng.
#ifndef LINKORY_TOOLS_TODAYSIM_PNGWRITER_H
#define LINKORY_TOOLS_TODAYSIM_PNGWRITER_H

#include <cstdint>
#include <string>
#include <vector>

namespace todaysim {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3 bytes, rows top to bottom
};

// Writes the picture; throws a run Failure naming the file when it cannot be written. A
// file that failed half-way is removed rather than left truncated.
void write_png(const std::string& path, const Picture& picture);

}  // namespace todaysim

#endif

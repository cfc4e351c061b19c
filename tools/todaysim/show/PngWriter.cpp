// SPDX-License-Identifier: MIT
// PNG output through libpng, whose errors arrive by longjmp.
#include "tools/todaysim/show/PngWriter.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/todaysim/scenario/Failure.h"

namespace todaysim {
namespace {

// Kept free of C++ objects with destructors: libpng leaves it with longjmp on an error.
bool write_rows(std::FILE* file, const Picture& picture)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y)
        png_write_row(png, picture.rgb.data() + static_cast<size_t>(y) * picture.width * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

void write_png(const std::string& path, const Picture& picture)
{
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgb.size() != static_cast<size_t>(picture.width) * picture.height * 3)
        throw run_error("todaysim: " + path + ": no picture to write");
    const bool to_stdout = path == "-";
    std::FILE* file = to_stdout ? stdout : std::fopen(path.c_str(), "wb");
    if (!file)
        throw run_error("todaysim: cannot write " + path + ": " + std::strerror(errno));
    bool written = write_rows(file, picture);
    written = (to_stdout ? std::fflush(file) : std::fclose(file)) == 0 && written;
    if (!written) {
        if (!to_stdout)
            std::remove(path.c_str());
        throw run_error("todaysim: writing " + std::string(to_stdout ? "the PNG to standard output" : path) + " failed");
    }
}

}  // namespace todaysim

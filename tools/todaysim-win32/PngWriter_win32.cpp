// SPDX-License-Identifier: MIT
// PNG output without libpng: the image data goes into stored (uncompressed) deflate blocks,
// which every PNG reader accepts; a 240 x 320 screen stays well under a megabyte.
#include "tools/todaysim/show/PngWriter.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>

#include "tools/todaysim/scenario/Failure.h"

namespace todaysim {
namespace {

uint32_t crc32(const uint8_t* data, size_t length, uint32_t crc = 0)
{
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < length; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void chunk(std::vector<uint8_t>& out, const char type[5], const std::vector<uint8_t>& body)
{
    put32(out, static_cast<uint32_t>(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    put32(out, crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored blocks: each holds at most 65535 bytes.
std::vector<uint8_t> zlib_stored(const std::vector<uint8_t>& raw)
{
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t length = std::min<size_t>(raw.size() - at, 65535);
        const bool last = at + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<uint8_t>(length));
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.push_back(static_cast<uint8_t>(~length));
        out.push_back(static_cast<uint8_t>(~length >> 8));
        out.insert(out.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + length));
        at += length;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32(out, (b << 16) | a);
    return out;
}

}  // namespace

void write_png(const std::string& path, const Picture& picture)
{
    const size_t row = static_cast<size_t>(picture.width) * 3;
    if (picture.width <= 0 || picture.height <= 0 || picture.rgb.size() != row * static_cast<size_t>(picture.height))
        throw run_error("todaysim: no picture to write to " + path);
    std::vector<uint8_t> header;
    put32(header, static_cast<uint32_t>(picture.width));
    put32(header, static_cast<uint32_t>(picture.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    std::vector<uint8_t> raw;
    raw.reserve((row + 1) * static_cast<size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back(0);  // no filter
        const auto begin = picture.rgb.begin() + static_cast<long>(row * static_cast<size_t>(y));
        raw.insert(raw.end(), begin, begin + static_cast<long>(row));
    }
    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    chunk(file, "IHDR", header);
    chunk(file, "IDAT", zlib_stored(raw));
    chunk(file, "IEND", {});

    const bool to_stdout = path == "-";
    if (to_stdout)
        _setmode(_fileno(stdout), _O_BINARY);  // no CR before each LF of the picture
    std::FILE* out = to_stdout ? stdout : std::fopen(path.c_str(), "wb");
    if (!out)
        throw run_error("todaysim: cannot write " + path);
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if ((to_stdout ? std::fflush(out) : std::fclose(out)) != 0 || !written) {
        // A truncated picture would look like a rendering fault; leave none.
        if (!to_stdout)
            std::remove(path.c_str());
        throw run_error("todaysim: writing " + path + " failed");
    }
}

}  // namespace todaysim

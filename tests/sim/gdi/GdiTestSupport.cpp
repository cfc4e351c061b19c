// SPDX-License-Identifier: MIT
// Writes .ico files for the icon tests: directory, BITMAPINFOHEADER, palette, XOR and AND rows.
#include "GdiTestSupport.h"

#include <algorithm>

namespace {

void put16(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

size_t stride(int width, int bits) { return ((static_cast<size_t>(width) * bits + 31) / 32) * 4; }

std::vector<uint8_t> build_dib(const IcoImage& image)
{
    std::vector<uint32_t> palette;
    if (image.bits <= 8)
        for (uint32_t p : image.pixels)
            if (std::find(palette.begin(), palette.end(), p) == palette.end())
                palette.push_back(p);
    std::vector<uint8_t> out;
    put32(out, 40);
    put32(out, image.width);
    put32(out, image.height * 2);
    put16(out, 1);
    put16(out, image.bits);
    put32(out, 0);  // BI_RGB
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, static_cast<uint32_t>(palette.size()));
    put32(out, 0);
    for (uint32_t p : palette) {
        put32(out, p & 0xFFFFFF);  // RGBQUAD is B, G, R, 0: little-endian 0x00RRGGBB
    }
    // Rows run bottom-up in both the colour image and the mask.
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride(image.width, image.bits), 0);
        for (int x = 0; x < image.width; ++x) {
            uint32_t p = image.pixels[static_cast<size_t>(y) * image.width + x];
            size_t index = std::find(palette.begin(), palette.end(), p) - palette.begin();
            switch (image.bits) {
            case 4: row[x / 2] |= static_cast<uint8_t>(index << (x % 2 ? 0 : 4)); break;
            case 8: row[x] = static_cast<uint8_t>(index); break;
            case 24:
                row[x * 3] = p & 0xFF;
                row[x * 3 + 1] = (p >> 8) & 0xFF;
                row[x * 3 + 2] = (p >> 16) & 0xFF;
                break;
            default:
                for (int b = 0; b < 4; ++b)
                    row[x * 4 + b] = static_cast<uint8_t>(p >> (8 * b));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride(image.width, 1), 0);
        for (int x = 0; x < image.width; ++x)
            if (!image.transparent.empty() && image.transparent[static_cast<size_t>(y) * image.width + x])
                row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

std::vector<uint8_t> build_ico(const std::vector<IcoImage>& images)
{
    std::vector<std::vector<uint8_t>> dibs;
    for (const IcoImage& image : images)
        dibs.push_back(build_dib(image));
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<unsigned>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<uint8_t>(images[i].width));
        out.push_back(static_cast<uint8_t>(images[i].height));
        out.push_back(images[i].bits <= 8 ? static_cast<uint8_t>(1u << images[i].bits) : 0);
        out.push_back(0);
        put16(out, 1);
        put16(out, images[i].bits);
        put32(out, static_cast<uint32_t>(dibs[i].size()));
        put32(out, offset);
        offset += static_cast<uint32_t>(dibs[i].size());
    }
    for (const auto& dib : dibs)
        out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

// SPDX-License-Identifier: MIT
// .ico directories and their BITMAPINFOHEADER images: parsing, choosing, decoding, scaling.
#include "sim/coredll/gdi/ico.h"

#include <algorithm>
#include <cstring>

namespace sim::gdi {
namespace {

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t u32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
int32_t s32(const uint8_t* p) { return static_cast<int32_t>(u32(p)); }

constexpr size_t kDirHeader = 6;
constexpr size_t kDirEntry = 16;
constexpr size_t kInfoHeader = 40;
const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

size_t stride(int width, int bits) { return ((static_cast<size_t>(width) * bits + 31) / 32) * 4; }

// Reads pixel x of a bottom-up DIB row as 0x00RRGGBB.
uint32_t read_pixel(const uint8_t* row, int x, int bits, const std::vector<uint32_t>& palette, uint8_t* alpha)
{
    auto from_palette = [&](unsigned index) { return index < palette.size() ? palette[index] : 0u; };
    switch (bits) {
    case 1: return from_palette((row[x / 8] >> (7 - x % 8)) & 1);
    case 4: return from_palette((row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF);
    case 8: return from_palette(row[x]);
    case 24: return (row[x * 3 + 2] << 16) | (row[x * 3 + 1] << 8) | row[x * 3];
    default:
        *alpha = row[x * 4 + 3];
        return (row[x * 4 + 2] << 16) | (row[x * 4 + 1] << 8) | row[x * 4];
    }
}

}  // namespace

bool parse_ico(const uint8_t* data, size_t size, std::vector<IcoEntry>& entries)
{
    entries.clear();
    if (!data || size < kDirHeader || u16(data) != 0 || u16(data + 2) != 1)
        return false;
    size_t count = u16(data + 4);
    if (size < kDirHeader + count * kDirEntry)
        return false;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = data + kDirHeader + i * kDirEntry;
        uint32_t bytes = u32(e + 8);
        uint32_t offset = u32(e + 12);
        if (offset > size || bytes > size - offset || bytes == 0)
            continue;
        IcoEntry entry;
        entry.width = e[0] ? e[0] : 256;
        entry.height = e[1] ? e[1] : 256;
        entry.bit_count = u16(e + 6);
        entry.data = data + offset;
        entry.size = bytes;
        entry.png = bytes >= 8 && std::memcmp(entry.data, kPngSignature, 8) == 0;
        if (!entry.png && bytes >= kInfoHeader && entry.bit_count == 0)
            entry.bit_count = u16(entry.data + 14);  // some writers leave the directory's depth 0
        entries.push_back(entry);
    }
    return true;
}

const IcoEntry* pick_entry(const std::vector<IcoEntry>& entries, int cx, int cy)
{
    const IcoEntry* exact = nullptr;
    const IcoEntry* larger = nullptr;
    const IcoEntry* smaller = nullptr;
    auto area = [](const IcoEntry* e) { return static_cast<long>(e->width) * e->height; };
    auto better = [&](const IcoEntry* candidate, const IcoEntry* best, bool prefer_small) {
        if (!best)
            return true;
        if (area(candidate) != area(best))
            return prefer_small ? area(candidate) < area(best) : area(candidate) > area(best);
        return candidate->bit_count > best->bit_count;
    };
    for (const IcoEntry& e : entries) {
        if (e.png)
            continue;
        if (e.width == cx && e.height == cy) {
            if (better(&e, exact, true))
                exact = &e;
        } else if (e.width >= cx && e.height >= cy) {
            if (better(&e, larger, true))
                larger = &e;
        } else if (better(&e, smaller, false)) {
            smaller = &e;
        }
    }
    return exact ? exact : larger ? larger : smaller;
}

bool decode_entry(const IcoEntry& entry, Icon& out)
{
    if (entry.png || entry.size < kInfoHeader)
        return false;
    const uint8_t* p = entry.data;
    uint32_t header = u32(p);
    int32_t width = s32(p + 4);
    int32_t height2 = s32(p + 8);
    int bits = u16(p + 14);
    uint32_t compression = u32(p + 16);
    uint32_t colours_used = u32(p + 32);
    if (header < kInfoHeader || header > entry.size || width < 1 || width > 256 || height2 < 2 || height2 > 512 ||
        height2 % 2 || compression != 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return false;
    int height = height2 / 2;
    size_t palette_size = 0;
    if (bits <= 8) {
        size_t max_colours = size_t{1} << bits;
        palette_size = colours_used ? std::min<size_t>(colours_used, max_colours) : max_colours;
    }
    size_t xor_stride = stride(width, bits);
    size_t and_stride = stride(width, 1);
    size_t pixels_at = header + palette_size * 4;
    size_t mask_at = pixels_at + xor_stride * height;
    bool has_mask = mask_at + and_stride * height <= entry.size;
    if (mask_at > entry.size || (!has_mask && bits != 32))
        return false;

    std::vector<uint32_t> palette(palette_size);
    for (size_t i = 0; i < palette_size; ++i) {
        const uint8_t* q = p + header + i * 4;
        palette[i] = (q[2] << 16) | (q[1] << 8) | q[0];
    }
    out.width = width;
    out.height = height;
    out.color.assign(static_cast<size_t>(width) * height, 0);
    out.mask.assign(out.color.size(), 0);
    std::vector<uint8_t> alpha(out.color.size(), 0);
    bool any_alpha = false;
    for (int y = 0; y < height; ++y) {
        // DIB rows run bottom-up.
        const uint8_t* row = p + pixels_at + xor_stride * (height - 1 - y);
        const uint8_t* mask_row = p + mask_at + and_stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            size_t i = static_cast<size_t>(y) * width + x;
            out.color[i] = read_pixel(row, x, bits, palette, &alpha[i]);
            any_alpha = any_alpha || alpha[i] != 0;
            if (has_mask)
                out.mask[i] = (mask_row[x / 8] >> (7 - x % 8)) & 1;
        }
    }
    if (bits == 32 && any_alpha)
        out.alpha = std::move(alpha);
    else if (!has_mask)
        return false;  // neither an alpha channel nor a mask says what is transparent
    else
        out.alpha.clear();
    return true;
}

Icon scale_icon(const Icon& in, int cx, int cy)
{
    if (cx == in.width && cy == in.height)
        return in;
    Icon out;
    out.resource_id = in.resource_id;
    out.width = cx;
    out.height = cy;
    size_t n = static_cast<size_t>(cx) * cy;
    out.color.resize(n);
    out.mask.resize(n);
    if (!in.alpha.empty())
        out.alpha.resize(n);
    for (int y = 0; y < cy; ++y) {
        // Sample at pixel centres so that halving picks every other pixel, not the edges.
        int sy = static_cast<int>((2LL * y + 1) * in.height / (2LL * cy));
        for (int x = 0; x < cx; ++x) {
            int sx = static_cast<int>((2LL * x + 1) * in.width / (2LL * cx));
            size_t from = static_cast<size_t>(sy) * in.width + sx;
            size_t to = static_cast<size_t>(y) * cx + x;
            out.color[to] = in.color[from];
            out.mask[to] = in.mask[from];
            if (!in.alpha.empty())
                out.alpha[to] = in.alpha[from];
        }
    }
    return out;
}

}  // namespace sim::gdi

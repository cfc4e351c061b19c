// SPDX-License-Identifier: MIT
// Linkory's own icon files: the classic format the device reads, and drawn with their masks.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/common/ModuleResources.h"
#include "sim/coredll/SimGdi.h"
#include "support/SimFixture.h"

namespace {

struct IconFile {
    const char* file;
    uint16_t id;
    int sizes[2];
};
const IconFile kIcons[] = {
    {"globe.ico", 5, {32, 16}},
    {"globe_bolt.ico", 101, {32, 16}},
    {"expand.ico", 104, {20, 10}},
    {"collapse.ico", 105, {20, 10}},
};

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

unsigned Get16(const std::vector<unsigned char>& b, size_t at)
{
    return at + 2 <= b.size() ? unsigned(b[at] | b[at + 1] << 8) : 0xFFFFFFFFu;
}

unsigned Get32(const std::vector<unsigned char>& b, size_t at)
{
    return Get16(b, at) | Get16(b, at + 2) << 16;
}

using ResourceIcons = SimFixture;

TEST_F(ResourceIcons, AreClassicPalettedIconsWithAMask)
{
    for (const IconFile& icon : kIcons) {
        SCOPED_TRACE(icon.file);
        const std::vector<unsigned char> bytes = ReadFile(std::string(LINKORY_RES_DIR "/") + icon.file);
        ASSERT_GT(bytes.size(), 6u);
        EXPECT_EQ(Get16(bytes, 0), 0u);
        EXPECT_EQ(Get16(bytes, 2), 1u);
        ASSERT_EQ(Get16(bytes, 4), 2u);
        for (int i = 0; i < 2; ++i) {
            const size_t entry = 6 + 16 * size_t(i);
            const unsigned n = unsigned(icon.sizes[i]);
            EXPECT_EQ(bytes[entry], n);
            EXPECT_EQ(bytes[entry + 1], n);
            EXPECT_EQ(Get16(bytes, entry + 6), 8u) << "bits per pixel";
            const size_t image = Get32(bytes, entry + 12);
            const unsigned xor_row = (n + 3) & ~3u, and_row = (n + 31) / 32 * 4;
            EXPECT_EQ(Get32(bytes, entry + 8), 40 + 1024 + (xor_row + and_row) * n) << "image size";
            EXPECT_EQ(Get32(bytes, image), 40u) << "BITMAPINFOHEADER";
            EXPECT_EQ(Get32(bytes, image + 4), n);
            EXPECT_EQ(Get32(bytes, image + 8), 2 * n) << "height counts colour and mask";
            EXPECT_EQ(Get16(bytes, image + 14), 8u);
            EXPECT_EQ(Get32(bytes, image + 16), 0u) << "uncompressed";
        }
    }
}

// Drawn onto two different backgrounds, each image must cover its middle and leave its
// corners to the background: the AND mask, not a painted colour, makes the ground.
TEST_F(ResourceIcons, DrawWithTransparentCorners)
{
    std::vector<std::vector<unsigned char>> files;
    std::vector<SimResource> table;
    for (const IconFile& icon : kIcons)
        files.push_back(ReadFile(std::string(LINKORY_RES_DIR "/") + icon.file));
    for (size_t i = 0; i < files.size(); ++i)
        table.push_back({SIM_RT_GROUP_ICON, kIcons[i].id, files[i].data(), uint32_t(files[i].size())});
    HINSTANCE module = reinterpret_cast<HINSTANCE>(&table);
    sim::register_module_resources(module, table.data(), table.size());
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);

    for (const IconFile& icon : kIcons)
        for (int n : icon.sizes) {
            SCOPED_TRACE(std::string(icon.file) + " " + std::to_string(n));
            HICON handle = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(icon.id), IMAGE_ICON, n, n, 0));
            ASSERT_NE(handle, nullptr);
            std::vector<uint32_t> drawn[2];
            const uint32_t grounds[2] = {0x000000, 0xFFFFFF};
            for (int g = 0; g < 2; ++g) {
                sim::gdi::clear_screen(grounds[g]);
                DrawIconEx(screen, 0, 0, handle, 0, 0, 0, nullptr, DI_NORMAL);
                for (int y = 0; y < n; ++y)
                    for (int x = 0; x < n; ++x)
                        drawn[g].push_back(sim::gdi::pixel(x, y));
            }
            const size_t corner = 0, middle = size_t(n / 2) * n + size_t(n / 2);
            EXPECT_EQ(drawn[0][corner], grounds[0]);
            EXPECT_EQ(drawn[1][corner], grounds[1]);
            EXPECT_EQ(drawn[0][middle], drawn[1][middle]) << "the middle is opaque";
            size_t opaque = 0;
            for (size_t i = 0; i < drawn[0].size(); ++i)
                opaque += drawn[0][i] == drawn[1][i];
            EXPECT_GT(opaque, drawn[0].size() / 8);
            EXPECT_LT(opaque, drawn[0].size());
            DestroyIcon(handle);
        }
    ReleaseDC(nullptr, screen);
    sim::unregister_module_resources(module);
}

}  // namespace

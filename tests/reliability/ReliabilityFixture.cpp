// SPDX-License-Identifier: MIT
// Linkory.dll copied into a folder of its own and loaded by the Today host.
#include "reliability/ReliabilityFixture.h"

#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "sim/coredll/SimGdi.h"
#include "sim/coredll/SimKernel.h"
#include "sim/coredll/SimUser.h"
#include "sim/loader/SimLoader.h"

namespace reliability {

bool LiveCounts::operator==(const LiveCounts& o) const
{
    return heapBlocks == o.heapBlocks && heapBytes == o.heapBytes && gdiObjects == o.gdiObjects &&
           icons == o.icons && windows == o.windows && dcs == o.dcs && files == o.files;
}

LiveCounts Live()
{
    sim::kernel::HeapStats heap = sim::kernel::heap_stats();
    return LiveCounts{heap.live_blocks,        heap.live_bytes,           sim::gdi::live_objects(),
                      sim::gdi::live_icons(),  sim::user::live_windows(), sim::gdi::live_dcs(),
                      sim::kernel::live_file_handles()};
}

std::string Describe(const LiveCounts& c)
{
    return "heap " + std::to_string(c.heapBlocks) + " blocks / " + std::to_string(c.heapBytes) + " bytes, " +
           std::to_string(c.gdiObjects) + " GDI objects, " + std::to_string(c.icons) + " icons, " +
           std::to_string(c.windows) + " windows, " + std::to_string(c.dcs) + " DCs, " +
           std::to_string(c.files) + " files";
}

void LeftoverListener::unloaded(size_t, const std::vector<std::string>& left)
{
    leftovers.insert(leftovers.end(), left.begin(), left.end());
}

std::string Utf16File(const std::u16string& text)
{
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + text.size() * 2);
    for (char16_t unit : text) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    return bytes;
}

}  // namespace reliability

void ReliabilityFixture::SetUp()
{
    SimFixture::SetUp();
    std::string pattern = (std::filesystem::temp_directory_path() / "linkory-reliability-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder = pattern;
    dllPath = folder + "/Linkory.dll";
    std::filesystem::copy_file(LINKORY_DLL_PATH, dllPath);
    subscription = sim::gdi::subscribe([this](const sim::gdi::GdiCall& call) {
        if (std::strcmp(call.api, "DrawTextW") == 0 && call.owner && (!host || call.owner != host->window()))
            texts.push_back(call.text);
    });
}

void ReliabilityFixture::TearDown()
{
    sim::gdi::unsubscribe(subscription);
    host.reset();
    EXPECT_EQ(listener.leftovers, std::vector<std::string>{}) << "the library left things behind";
    EXPECT_EQ(sim::loader::loaded_modules(), 0u);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    SimFixture::TearDown();
}

void ReliabilityFixture::StartHost()
{
    host = std::make_unique<sim::today::Host>(&listener, &leftovers);
    ASSERT_EQ(host->create(), DWORD(ERROR_SUCCESS));
}

size_t ReliabilityFixture::Load()
{
    if (!host)
        StartHost();
    size_t index = 99;
    std::u16string wide(dllPath.begin(), dllPath.end());
    EXPECT_EQ(host->load(wide.c_str(), u"Linkory", TRUE, &index), DWORD(ERROR_SUCCESS));
    return index;
}

void ReliabilityFixture::WriteFile(const std::string& name, const std::string& bytes)
{
    std::ofstream out(folder + "/" + name, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    ASSERT_TRUE(out.good()) << name;
}

void ReliabilityFixture::RemoveFile(const std::string& name)
{
    std::filesystem::remove(folder + "/" + name);
}

HWND ReliabilityFixture::Window() const
{
    if (!host || host->item_count() == 0)
        return nullptr;
    return host->record(host->item_count() - 1)->hwndCustom;
}

void ReliabilityFixture::PaintItem()
{
    // Paints still pending from a layout would be counted with this one.
    UpdateWindow(host->window());
    UpdateWindow(Window());
    TakeTexts();
    InvalidateRect(Window(), nullptr, TRUE);
    UpdateWindow(Window());
}

void ReliabilityFixture::Toggle()
{
    SendMessageW(Window(), WM_TODAYCUSTOM_ACTION, VK_RETURN, 0);
}

std::vector<std::u16string> ReliabilityFixture::TakeTexts()
{
    std::vector<std::u16string> out;
    out.swap(texts);
    return out;
}

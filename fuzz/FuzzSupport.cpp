// SPDX-License-Identifier: MIT
// What the fuzz targets share: the language-file folder, live counts and their checks.
#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "sim/common/Violations.h"
#include "sim/coredll/SimGdi.h"
#include "sim/coredll/SimKernel.h"
#include "sim/coredll/SimUser.h"

namespace fuzz {
namespace {

// Any address serves as the handle: the override is looked up by value.
int module_anchor;

std::string make_folder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/linkory-fuzz-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    if (!mkdtemp(buffer.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    return buffer.data();
}

std::string file_name(unsigned language)
{
    char name[32];
    std::snprintf(name, sizeof name, "/Linkory.%04X.intl", language & 0xFFFF);
    return folder() + name;
}

void remove_folder()
{
    for (unsigned language : {0x0409u, 0x0009u, 0x0407u, 0x0007u})
        std::remove(file_name(language).c_str());
    rmdir(folder().c_str());
}

}  // namespace

const std::string& folder()
{
    // Never destroyed: the exit handler that removes the folder still needs its name.
    static const std::string* path = [] {
        std::string* made = new std::string(make_folder());
        std::atexit(remove_folder);
        std::string dll = *made + "/Linkory.dll";
        sim::kernel::override_module_path(reinterpret_cast<HMODULE>(&module_anchor),
                                          std::u16string(dll.begin(), dll.end()));
        return made;
    }();
    return *path;
}

HMODULE module()
{
    folder();
    return reinterpret_cast<HMODULE>(&module_anchor);
}

void write_language_file(unsigned language, const uint8_t* data, size_t size)
{
    std::FILE* file = std::fopen(file_name(language).c_str(), "wb");
    if (!file || (size && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
        std::perror("language file");
        std::abort();
    }
}

void remove_language_file(unsigned language)
{
    std::remove(file_name(language).c_str());
}

LiveCounts live_counts()
{
    sim::kernel::HeapStats heap = sim::kernel::heap_stats();
    return LiveCounts{heap.live_blocks,         heap.live_bytes,           sim::gdi::live_objects(),
                      sim::gdi::live_icons(),   sim::user::live_windows(), sim::gdi::live_dcs(),
                      sim::kernel::live_file_handles()};
}

void expect_clean(const LiveCounts& before, const char* what)
{
    LiveCounts now = live_counts();
    const struct {
        const char* name;
        size_t before, now;
    } counts[] = {
        {"heap blocks", before.heap_blocks, now.heap_blocks}, {"heap bytes", before.heap_bytes, now.heap_bytes},
        {"GDI objects", before.gdi_objects, now.gdi_objects}, {"icons", before.icons, now.icons},
        {"windows", before.windows, now.windows},             {"device contexts", before.dcs, now.dcs},
        {"file handles", before.files, now.files},
    };
    bool clean = true;
    for (const auto& c : counts) {
        if (c.before != c.now) {
            std::fprintf(stderr, "%s: %s %zu -> %zu\n", what, c.name, c.before, c.now);
            clean = false;
        }
    }
    for (const std::string& violation : sim::take_violations()) {
        std::fprintf(stderr, "%s: violation %s\n", what, violation.c_str());
        clean = false;
    }
    if (!clean)
        std::abort();
}

size_t touch_text(const WCHAR* text)
{
    if (!text)
        return 0;
    size_t length = 0;
    // volatile: the loop must really read each unit.
    for (const volatile WCHAR* p = text; *p; ++p)
        ++length;
    return length;
}

uint8_t Reader::byte()
{
    return pos_ < size_ ? data_[pos_++] : 0;
}

uint32_t Reader::u32()
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t(byte()) << (8 * i);
    return value;
}

std::u16string Reader::text(size_t max_units)
{
    size_t units = max_units ? byte() % (max_units + 1) : 0;
    std::u16string out;
    for (size_t i = 0; i < units && pos_ + 1 < size_; ++i) {
        char16_t unit = char16_t(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        out.push_back(unit);
    }
    return out;
}

}  // namespace fuzz

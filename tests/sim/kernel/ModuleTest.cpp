// SPDX-License-Identifier: MIT
// Module paths through dladdr and overrides, their truncation rules, and the device language.
#include <string>

#include <dlfcn.h>

#include "platform/win32.h"
#include "support/SimFixture.h"

namespace {

using ModuleTest = SimFixture;

HMODULE CoreDll()
{
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&LocalAlloc), &info);
    return static_cast<HMODULE>(info.dli_fbase);
}

std::u16string Path(HMODULE module)
{
    WCHAR buffer[1024];
    DWORD n = GetModuleFileNameW(module, buffer, 1024);
    return std::u16string(buffer, n);
}

bool EndsWith(const std::u16string& text, const std::u16string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(ModuleTest, PathsOfLoadedModules)
{
    std::u16string library = Path(CoreDll());
    EXPECT_TRUE(EndsWith(library, u"/libcoredll.so")) << ::testing::PrintToString(library);
    EXPECT_EQ(library[0], u'/');
    std::u16string program = Path(nullptr);
    EXPECT_TRUE(EndsWith(program, u"/sim_kernel_tests")) << ::testing::PrintToString(program);

    int local = 0;
    HMODULE notModules[] = {reinterpret_cast<HMODULE>(&local),
                            reinterpret_cast<HMODULE>(reinterpret_cast<char*>(CoreDll()) + 16)};
    for (HMODULE module : notModules) {
        WCHAR buffer[16];
        SetLastError(0);
        EXPECT_EQ(GetModuleFileNameW(module, buffer, 16), 0u);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
        ExpectViolation("GetModuleFileNameW: no module");
    }
}

TEST_F(ModuleTest, TruncationRules)
{
    HMODULE module = CoreDll();
    sim::kernel::override_module_path(module, u"\\Windows\\Linkory.dll");  // 20 units
    struct Case {
        DWORD size;
        DWORD result;
        const char16_t* stored;
        DWORD error;  // 0: not set
    } cases[] = {
        {64, 20, u"\\Windows\\Linkory.dll", 0},
        {21, 20, u"\\Windows\\Linkory.dll", 0},
        {20, 20, u"\\Windows\\Linkory.dl", ERROR_INSUFFICIENT_BUFFER},
        {1, 1, u"", ERROR_INSUFFICIENT_BUFFER},
        {0, 0, nullptr, ERROR_INSUFFICIENT_BUFFER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        WCHAR buffer[70];
        for (WCHAR& unit : buffer)
            unit = u'#';
        SetLastError(0);
        EXPECT_EQ(GetModuleFileNameW(module, buffer, c.size), c.result);
        EXPECT_EQ(GetLastError(), c.error);
        if (c.stored) {
            EXPECT_EQ(std::u16string(buffer), c.stored);
        }
        EXPECT_EQ(buffer[c.size], u'#') << "nothing written past the buffer";
    }
}

TEST_F(ModuleTest, OverridesAndTheDeviceLanguageLastUntilClearedOrReset)
{
    HMODULE module = CoreDll();
    const std::u16string real = Path(module);
    const char16_t* overrides[] = {u"", u"/flash/Linkory", u"relative.dll"};
    for (const char16_t* path : overrides) {
        SCOPED_TRACE(::testing::PrintToString(std::u16string(path)));
        sim::kernel::override_module_path(module, path);
        EXPECT_EQ(Path(module), path);
    }
    sim::kernel::clear_module_path_override(module);
    EXPECT_EQ(Path(module), real);
    // A reset forgets overrides, and the device speaks US English again.
    sim::kernel::override_module_path(module, u"x.dll");
    sim::kernel::set_device_language(0x0407);
    EXPECT_EQ(GetUserDefaultUILanguage(), 0x0407);
    sim::reset_for_tests();
    EXPECT_EQ(Path(module), real);
    EXPECT_EQ(GetUserDefaultUILanguage(), 0x0409);

    // An override also answers for a handle no loaded module has.
    HMODULE fake = reinterpret_cast<HMODULE>(0x10000);
    sim::kernel::override_module_path(fake, u"\\Windows\\Fake.dll");
    EXPECT_EQ(Path(fake), u"\\Windows\\Fake.dll");
}

}  // namespace

// SPDX-License-Identifier: MIT
// LoadLibraryW, GetProcAddress and FreeLibrary with the test plug-in.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "support/SimFixture.h"
#include "data/testplugin/Probe.h"
#include "platform/todaycmn.h"
#include "platform/win32.h"
#include "sim/coredll/SimGdi.h"
#include "sim/loader/ModuleTables.h"
#include "sim/loader/SimLoader.h"

namespace {

std::u16string wide(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

class Loader : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        testplugin::probe() = testplugin::Probe{};
    }

    HMODULE Load() { return LoadLibraryW(wide(TESTPLUGIN_PATH).c_str()); }
};

TEST_F(Loader, AttachesAndFindsExportsByOrdinal)
{
    HMODULE module = Load();
    ASSERT_NE(module, nullptr) << sim::loader::last_load_error();
    EXPECT_EQ(testplugin::probe().take(), std::vector<std::string>{"attach"});
    EXPECT_EQ(testplugin::probe().attach_module, reinterpret_cast<HINSTANCE>(module));
    EXPECT_TRUE(testplugin::probe().icon_at_attach) << "resources must be registered before DllMain runs";
    EXPECT_EQ(sim::loader::module_name(module), "TestPlugin.dll");
    // The kernel and the loader agree on what the handle is: the module's load address.
    WCHAR path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    EXPECT_EQ(std::string(path, path + length), TESTPLUGIN_PATH);

    auto init = reinterpret_cast<PFNCUSTOMINITIALIZEITEM>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ORDINAL_INITIALIZEITEM))));
    auto options = reinterpret_cast<PFNCUSTOMOPTIONSDLGPROC>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ORDINAL_OPTIONSDIALOGPROC))));
    ASSERT_NE(init, nullptr);
    ASSERT_NE(options, nullptr);
    TODAYLISTITEM item = {};
    EXPECT_EQ(init(&item, nullptr), nullptr);  // disabled record: no window
    EXPECT_TRUE(options(nullptr, WM_INITDIALOG, 0, 0));
    EXPECT_EQ(testplugin::probe().take(), (std::vector<std::string>{"init", "options"}));

    // Neither unknown ordinals nor names resolve: the module exports no names.
    struct {
        LPCSTR name;
        const char* what;
    } misses[] = {{MAKEINTRESOURCEA(239), "ordinal 239"}, {MAKEINTRESOURCEA(242), "ordinal 242"},
                  {MAKEINTRESOURCEA(0), "ordinal 0"}, {"InitializeCustomItem", "export name"},
                  {"DllMain", "DllMain by name"}};
    for (const auto& miss : misses) {
        SCOPED_TRACE(miss.what);
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(module, miss.name), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
    }

    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(testplugin::probe().take(), std::vector<std::string>{"detach"});
    EXPECT_TRUE(testplugin::probe().icon_at_detach) << "resources must outlive DllMain's detach";
    EXPECT_EQ(sim::loader::loaded_modules(), 0u);
}

TEST_F(Loader, CountsReferencesAndRejectsStaleHandles)
{
    HMODULE first = Load();
    HMODULE second = Load();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(sim::loader::module_references(first), 2);
    EXPECT_EQ(testplugin::probe().take(), std::vector<std::string>{"attach"});

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_TRUE(testplugin::probe().take().empty()) << "detach before the last reference went";
    EXPECT_NE(GetProcAddress(first, MAKEINTRESOURCEA(240)), nullptr);
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(testplugin::probe().take(), std::vector<std::string>{"detach"});

    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(first));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    ExpectViolation("FreeLibrary");
    EXPECT_EQ(GetProcAddress(first, MAKEINTRESOURCEA(240)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    ExpectViolation("GetProcAddress");

    // A fresh load after the unload attaches again.
    HMODULE again = Load();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(sim::loader::module_references(again), 1);
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_EQ(testplugin::probe().take(), (std::vector<std::string>{"attach", "detach"}));
}

TEST_F(Loader, FailsForWhatIsNotAModule)
{
    const std::string data = TESTPLUGIN_SOURCE_DIR;
    struct {
        std::u16string name;
        DWORD error;
        const char* what;
    } cases[] = {
        {wide(data + "/Missing.dll"), ERROR_MOD_NOT_FOUND, "missing file"},
        {wide(data), ERROR_MOD_NOT_FOUND, "a folder"},
        {wide(data + "/half.ico"), ERROR_BAD_EXE_FORMAT, "not a shared object"},
        {wide(TESTPLUGIN_PROBE_PATH), ERROR_BAD_EXE_FORMAT, "shared object without tables"},
        {wide(TESTPLUGIN_DEPENDENT_PATH), ERROR_BAD_EXE_FORMAT, "tables only in a dependency"},
        {u"NoSuchModule.dll", ERROR_MOD_NOT_FOUND, "bare name found nowhere"},
        {u"", ERROR_INVALID_PARAMETER, "empty name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(LoadLibraryW(c.name.c_str()), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(sim::loader::loaded_modules(), 0u);
    EXPECT_TRUE(testplugin::probe().take().empty());
}

TEST_F(Loader, RefusedAttachDetachesAndUnloads)
{
    testplugin::probe().attach_result = FALSE;
    SetLastError(0);
    EXPECT_EQ(Load(), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DLL_INIT_FAILED));
    EXPECT_EQ(testplugin::probe().take(), (std::vector<std::string>{"attach", "detach"}));
    EXPECT_EQ(sim::loader::loaded_modules(), 0u);
    // Its resources went with it.
    EXPECT_EQ(LoadImageW(testplugin::probe().attach_module, MAKEINTRESOURCEW(1), IMAGE_ICON, 8, 8, 0), nullptr);
}

// How icons are chosen and drawn is the GDI tests' business; here, that the module's own
// icon groups are the ones found, and only while it is loaded.
TEST_F(Loader, ResourcesReachLoadImageWhileLoaded)
{
    HMODULE module = Load();
    ASSERT_NE(module, nullptr);
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(module);
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    // The size asked picks the image of group 2: 32x32 blue, 16x16 green.
    for (auto [size, rgb] : {std::pair<int, uint32_t>{32, 0x0000FF}, {16, 0x00FF00}}) {
        SCOPED_TRACE(size);
        HICON icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(2), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr);
        EXPECT_TRUE(DrawIconEx(screen, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
        EXPECT_EQ(sim::gdi::pixel(size - 1, size - 1), rgb);
        DestroyIcon(icon);
    }
    ReleaseDC(nullptr, screen);
    HICON half = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 8, 8, 0));
    EXPECT_NE(half, nullptr);
    DestroyIcon(half);

    SetLastError(0);
    EXPECT_EQ(LoadImageW(instance, MAKEINTRESOURCEW(3), IMAGE_ICON, 16, 16, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));

    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(LoadImageW(instance, MAKEINTRESOURCEW(2), IMAGE_ICON, 16, 16, 0), nullptr);
}

TEST_F(Loader, ResetUnloadsWhatATestLeftLoaded)
{
    ASSERT_NE(Load(), nullptr);
    ASSERT_NE(Load(), nullptr);
    testplugin::probe().take();
    sim::reset_for_tests();
    EXPECT_EQ(sim::loader::loaded_modules(), 0u);
    EXPECT_EQ(testplugin::probe().take(), std::vector<std::string>{"detach"});
}

// Only the tables are dynamic symbols of a module: its code, DllMain and the exports stay
// hidden, and the loader reaches them through the tables alone.
TEST(ModuleSymbols, OnlyTheTablesAreVisible)
{
    const std::string command = std::string(NM_COMMAND) + " -D --defined-only " + TESTPLUGIN_PATH;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[512];
    while (fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        names.insert(text.substr(text.rfind(' ') + 1));
    }
    ASSERT_EQ(pclose(pipe), 0) << command;
    const std::set<std::string> expected = {SIM_SYM_ORDINAL_TABLE,  SIM_SYM_ORDINAL_COUNT,
                                            SIM_SYM_MODULE_NAME,    SIM_SYM_RESOURCE_TABLE,
                                            SIM_SYM_RESOURCE_COUNT, SIM_SYM_DLLMAIN};
    EXPECT_EQ(names, expected);
}

}  // namespace

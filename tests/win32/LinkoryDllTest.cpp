// SPDX-License-Identifier: MIT
// Linkory.dll as the Win32 loader sees it under Wine: the two exports by ordinal only, and
// the four icon groups exactly as the .ico files that Linkory.rc names.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <vector>

#include "platform/todaycmn.h"
#include "platform/win32.h"

namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

struct FileIconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    DWORD offset;
};

std::vector<BYTE> read_file(const char* path)
{
    std::vector<BYTE> bytes;
    if (std::FILE* file = std::fopen(path, "rb")) {
        BYTE buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + got);
        std::fclose(file);
    }
    return bytes;
}

std::vector<BYTE> resource_bytes(HMODULE module, LPCWSTR name, LPCWSTR type)
{
    HRSRC found = FindResourceW(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    return data ? std::vector<BYTE>(data, data + SizeofResource(module, found)) : std::vector<BYTE>();
}

BOOL CALLBACK collect_name(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out)
{
    reinterpret_cast<std::set<ULONG_PTR>*>(out)->insert(reinterpret_cast<ULONG_PTR>(name));
    return TRUE;
}

// Where the caller's stack pointer is, give or take a constant: the frame of a call made
// from it.
__attribute__((noinline)) uintptr_t stack_mark()
{
    return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}

// How far a call through the host's pointer type moves the caller's stack. On 32-bit x86 a
// callee of another convention than the type's leaves the arguments behind (or takes them twice).
template <typename Proc, typename... Args>
__attribute__((noinline)) intptr_t stack_moved_by(Proc proc, Args... args)
{
    const uintptr_t before = stack_mark();
    proc(args...);
    return static_cast<intptr_t>(stack_mark() - before);
}

HWND APIENTRY same_convention_init(TODAYLISTITEM*, HWND)
{
    return nullptr;
}

BOOL APIENTRY same_convention_options(HWND, UINT, WPARAM, LPARAM)
{
    return TRUE;
}

class WineLinkoryDll : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryW(L"Linkory.dll");
        ASSERT_NE(module, nullptr) << "error " << GetLastError();
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
    }
    HMODULE module = nullptr;
};

}  // namespace

TEST_F(WineLinkoryDll, ExportsTwoFunctionsByOrdinalAndNoNames)
{
    EXPECT_NE(GetProcAddress(module, MAKEINTRESOURCEA(240)), nullptr);
    EXPECT_NE(GetProcAddress(module, MAKEINTRESOURCEA(241)), nullptr);
    EXPECT_NE(GetProcAddress(module, MAKEINTRESOURCEA(240)), GetProcAddress(module, MAKEINTRESOURCEA(241)));
    for (int ordinal : {1, 239, 242}) {
        SCOPED_TRACE(ordinal);
        EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(ordinal)), nullptr);
    }
    for (const char* name : {"InitializeCustomItem", "CustomItemOptionsDlgProc", "DllMain"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(GetProcAddress(module, name), nullptr);
    }
}

TEST_F(WineLinkoryDll, ExportsUseTheCallingConventionOfTheHostsPointerTypes)
{
    auto init = reinterpret_cast<PFNCUSTOMINITIALIZEITEM>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ORDINAL_INITIALIZEITEM))));
    auto options = reinterpret_cast<PFNCUSTOMOPTIONSDLGPROC>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ORDINAL_OPTIONSDIALOGPROC))));
    ASSERT_TRUE(init && options);
    TODAYLISTITEM disabled = {};  // no window: the call returns at once
    HWND none = nullptr;
    EXPECT_EQ(stack_moved_by(init, &disabled, none), stack_moved_by(same_convention_init, &disabled, none));
    const UINT initDialog = 0x0110;
    const WPARAM noWParam = 0;
    const LPARAM noLParam = 0;
    EXPECT_EQ(stack_moved_by(options, none, initDialog, noWParam, noLParam),
              stack_moved_by(same_convention_options, none, initDialog, noWParam, noLParam));
}

TEST_F(WineLinkoryDll, HoldsExactlyTheFourIconGroups)
{
    std::set<ULONG_PTR> ids;
    EnumResourceNamesW(module, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, collect_name,
                       reinterpret_cast<LONG_PTR>(&ids));
    EXPECT_EQ(ids, (std::set<ULONG_PTR>{5, 101, 104, 105}));
}

TEST_F(WineLinkoryDll, IconGroupsCarryTheImagesOfTheirFiles)
{
    const struct {
        WORD id;
        const char* file;
    } kGroups[] = {{5, "globe.ico"}, {101, "globe_bolt.ico"}, {104, "expand.ico"}, {105, "collapse.ico"}};
    for (const auto& group : kGroups) {
        SCOPED_TRACE(group.file);
        const std::vector<BYTE> file = read_file((std::string(LINKORY_RES_DIR) + "/" + group.file).c_str());
        ASSERT_GE(file.size(), 6u);
        const WORD fileCount = *reinterpret_cast<const WORD*>(&file[4]);
        ASSERT_GE(file.size(), 6u + fileCount * sizeof(FileIconEntry));

        const std::vector<BYTE> directory = resource_bytes(module, MAKEINTRESOURCEW(group.id), MAKEINTRESOURCEW(14));
        ASSERT_GE(directory.size(), 6u);
        const WORD count = *reinterpret_cast<const WORD*>(&directory[4]);
        ASSERT_EQ(count, fileCount);
        ASSERT_EQ(directory.size(), 6u + count * sizeof(GroupIconEntry));
        for (WORD i = 0; i < count; ++i) {
            SCOPED_TRACE(i);
            const auto* entry = reinterpret_cast<const GroupIconEntry*>(&directory[6 + i * sizeof(GroupIconEntry)]);
            const auto* source = reinterpret_cast<const FileIconEntry*>(&file[6 + i * sizeof(FileIconEntry)]);
            EXPECT_EQ(entry->width, source->width);
            EXPECT_EQ(entry->height, source->height);
            EXPECT_EQ(entry->bytes, source->bytes);
            ASSERT_LE(size_t(source->offset) + source->bytes, file.size());
            const std::vector<BYTE> image = resource_bytes(module, MAKEINTRESOURCEW(entry->id), MAKEINTRESOURCEW(3));
            EXPECT_TRUE(image == std::vector<BYTE>(file.begin() + source->offset,
                                                   file.begin() + source->offset + source->bytes));
        }
    }
}

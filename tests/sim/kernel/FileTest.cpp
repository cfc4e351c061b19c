// SPDX-License-Identifier: MIT
// Read-only files: opening, errors, sharing, reading to the end, handles and read faults.
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/win32.h"
#include "support/SimFixture.h"
#include "support/TestFiles.h"

namespace {

class FileTest : public SimFixture {
protected:
    std::string Write(const std::string& name, const std::string& bytes) { return folder.WriteBytes(name, bytes); }
    HANDLE Open(const std::string& path, DWORD share = 0)
    {
        return CreateFileW(Wide(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    }
    TempFolder folder;
    const std::string dir = folder.Path();
};

TEST_F(FileTest, ReadsToTheEndInShortPieces)
{
    Write("Linkory.\xC3\xA4.intl", "\xFF\xFE" "abc");
    // A non-ASCII name reaches the host as UTF-8; the device's backslash separates folders.
    HANDLE file = CreateFileW((Wide(dir) + u"\\Linkory.\u00E4.intl").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(sim::kernel::live_file_handles(), 1u);
    ASSERT_EQ(sim::kernel::file_opens().size(), 1u);
    EXPECT_EQ(sim::kernel::file_opens()[0].path, dir + "/Linkory.\xC3\xA4.intl");
    EXPECT_EQ(sim::kernel::file_opens()[0].error, 0u);
    const DWORD expected[] = {2, 2, 1, 0, 0};
    for (DWORD want : expected) {
        char buffer[2] = {};
        DWORD got = 99;
        EXPECT_TRUE(ReadFile(file, buffer, 2, &got, nullptr));
        EXPECT_EQ(got, want);
    }
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(FileTest, OpenFailuresGiveTheirErrors)
{
    Write("present", "x");
    mkdir((dir + "/folder").c_str(), 0755);
    std::string locked = Write("locked", "x");
    chmod(locked.c_str(), 0);
    struct Case {
        const char* what;
        std::u16string path;
        DWORD error;
    } cases[] = {
        {"missing file", Wide(dir + "/absent.intl"), ERROR_FILE_NOT_FOUND},
        {"missing folder", Wide(dir + "/none/absent.intl"), ERROR_PATH_NOT_FOUND},
        {"file used as folder", Wide(dir + "/present/absent.intl"), ERROR_PATH_NOT_FOUND},
        {"folder", Wide(dir + "/folder"), ERROR_ACCESS_DENIED},
        {"lone surrogate", Wide(dir + "/") + u"\xD800", 123},
        {"empty", u"", ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(CreateFileW(c.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
    // The device's record holds the opens that reached the file system, in order, with their errors.
    const std::vector<sim::kernel::FileOpen> opens = sim::kernel::file_opens();
    ASSERT_EQ(opens.size(), 4u);
    EXPECT_EQ(opens[0].path, dir + "/absent.intl");
    EXPECT_EQ(opens[1].error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(opens[3].error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    // Root reads any file, so permissions can only be checked for other users.
    if (geteuid() != 0) {
        EXPECT_EQ(Open(locked), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
}

TEST_F(FileTest, ShareModeIsEnforcedBetweenOpens)
{
    std::string path = Write("shared", "data");
    std::string other = Write("other", "data");
    std::string alias = dir + "/alias";
    ASSERT_EQ(link(path.c_str(), alias.c_str()), 0);
    struct Case {
        const char* what;
        DWORD firstShare;
        std::string second;
        DWORD secondShare;
        bool allowed;
    } cases[] = {
        {"exclusive, then exclusive", 0, path, 0, false},
        {"exclusive, then sharing", 0, path, FILE_SHARE_READ, false},
        {"sharing, then exclusive", FILE_SHARE_READ, path, 0, false},
        {"sharing, then sharing", FILE_SHARE_READ, path, FILE_SHARE_READ, true},
        {"write sharing only", FILE_SHARE_WRITE, path, FILE_SHARE_READ | FILE_SHARE_WRITE, false},
        {"same file by another name", 0, alias, FILE_SHARE_READ, false},
        {"another file", 0, other, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HANDLE first = Open(path, c.firstShare);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        SetLastError(0);
        HANDLE second = Open(c.second, c.secondShare);
        EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.allowed);
        if (second != INVALID_HANDLE_VALUE)
            CloseHandle(second);
        else
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        CloseHandle(first);
    }
    HANDLE again = Open(path);
    EXPECT_NE(again, INVALID_HANDLE_VALUE) << "closing ends the exclusive use";
    CloseHandle(again);
}

TEST_F(FileTest, UnsupportedRequestsAreRefused)
{
    std::u16string path = Wide(Write("file", "x"));
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, FALSE};
    struct Case {
        const char* what;
        DWORD access, share, creation, flags;
        LPSECURITY_ATTRIBUTES sa;
        const char* violation;
    } cases[] = {
        {"write access", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0, nullptr, "unsupported access"},
        {"no access", 0, 0, OPEN_EXISTING, 0, nullptr, "unsupported access"},
        {"delete sharing", GENERIC_READ, 4, OPEN_EXISTING, 0, nullptr, "unsupported share mode"},
        {"create", GENERIC_READ, 0, CREATE_ALWAYS, 0, nullptr, "unsupported creation mode"},
        {"overlapped", GENERIC_READ, 0, OPEN_EXISTING, 0x40000000, nullptr, "unsupported flags"},
        {"security", GENERIC_READ, 0, OPEN_EXISTING, 0, &sa, "security attributes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(CreateFileW(path.c_str(), c.access, c.share, c.sa, c.creation, c.flags, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        ExpectViolation(std::string("CreateFileW: ") + c.violation);
    }
}

TEST_F(FileTest, StaleHandlesAreRefused)
{
    HANDLE file = Open(Write("file", "x"));
    ASSERT_TRUE(CloseHandle(file));
    HANDLE stale[] = {file, INVALID_HANDLE_VALUE, nullptr};
    for (HANDLE handle : stale) {
        SCOPED_TRACE(reinterpret_cast<uintptr_t>(handle));
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(handle));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        ExpectViolation("CloseHandle: stale or foreign handle");
        char buffer[2];
        DWORD got = 7;
        EXPECT_FALSE(ReadFile(handle, buffer, 2, &got, nullptr));
        EXPECT_EQ(got, 0u);
        ExpectViolation("ReadFile: stale or foreign handle");
    }
}

TEST_F(FileTest, ReadFaultIsInjectedOnce)
{
    HANDLE file = Open(Write("file", "abcdef"));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const unsigned long before = sim::kernel::read_call_count();
    sim::kernel::read_fail_nth(2, ERROR_READ_FAULT);
    char buffer[2];
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(file, buffer, 2, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "ab");
    got = 7;
    SetLastError(0);
    EXPECT_FALSE(ReadFile(file, buffer, 2, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_READ_FAULT));
    EXPECT_TRUE(ReadFile(file, buffer, 2, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "cd") << "the failed read consumed nothing";
    EXPECT_EQ(sim::kernel::read_call_count() - before, 3u);

    EXPECT_FALSE(ReadFile(file, buffer, 2, &got, reinterpret_cast<LPOVERLAPPED>(buffer)));
    ExpectViolation("ReadFile: overlapped");
    EXPECT_FALSE(ReadFile(file, nullptr, 2, &got, nullptr));
    ExpectViolation("ReadFile: null buffer");
    CloseHandle(file);
}

TEST_F(FileTest, ResetClosesEverything)
{
    HANDLE file = Open(Write("file", "x"));
    sim::kernel::read_fail_nth(1, ERROR_READ_FAULT);
    sim::reset_for_tests();
    EXPECT_EQ(sim::kernel::live_file_handles(), 0u);
    EXPECT_FALSE(CloseHandle(file)) << "the handle went with the reset";
    ExpectViolation("CloseHandle");
    file = Open(dir + "/file");
    char buffer[1];
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(file, buffer, 1, &got, nullptr)) << "the injection went with the reset";
    CloseHandle(file);
}

}  // namespace

// SPDX-License-Identifier: MIT
// The staging folder's files on Win32: a fresh folder under the temporary path, emptied and
// removed file by file.
#include "tools/todaysim/device/Staging.h"

#include "platform/win32.h"
#include "tools/todaysim-win32/HostDevice.h"
#include "tools/todaysim/scenario/Failure.h"

namespace todaysim {
namespace {

std::wstring file_name(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::string error_text(DWORD error)
{
    return "error " + std::to_string(error);
}

}  // namespace

namespace staging {

std::string make_folder()
{
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        throw run_error("todaysim: no temporary folder for staging (" + error_text(GetLastError()) + ")");
    // A name taken by another run is simply skipped; the process id keeps collisions rare.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate = std::wstring(temp) + L"todaysim." + std::to_wstring(GetCurrentProcessId()) + L"." +
                                 std::to_wstring(attempt);
        if (CreateDirectoryW(candidate.c_str(), nullptr))
            return narrow_path(candidate);
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw run_error("todaysim: cannot make a staging folder (" + error_text(GetLastError()) + ")");
    }
    throw run_error("todaysim: cannot make a staging folder (every name is taken)");
}

std::string copy_into(const std::string& folder, const std::string& from, const std::string& name)
{
    const std::wstring target = wide_path(folder) + L"\\" + (name.empty() ? file_name(wide_path(from)) : wide_path(name));
    if (!CopyFileW(wide_path(from).c_str(), target.c_str(), FALSE))
        throw run_error("todaysim: cannot copy " + from + " to " + folder + " (" + error_text(GetLastError()) + ")");
    return narrow_path(target);
}

void remove_folder(const std::string& path)
{
    const std::wstring folder = wide_path(path);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..")
                DeleteFileW((folder + L"\\" + name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace staging
}  // namespace todaysim

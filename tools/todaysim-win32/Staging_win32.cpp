// SPDX-License-Identifier: MIT
// The private staging folder on Win32: a fresh folder under the temporary path, emptied and
// removed when the run ends (also when it ends with a failure).
#include "tools/todaysim/Staging.h"

#include "platform/win32.h"
#include "tools/todaysim-win32/HostDevice.h"
#include "tools/todaysim/Failure.h"

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

Staging::Staging(const std::string& dll, const std::vector<std::pair<std::string, std::string>>& files)
    : dll_(dll)
{
    if (files.empty())
        return;
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        throw run_error("todaysim: no temporary folder for staging (" + error_text(GetLastError()) + ")");
    // A name taken by another run is simply skipped; the process id keeps collisions rare.
    std::wstring folder;
    for (unsigned attempt = 0; attempt < 100 && folder.empty(); ++attempt) {
        std::wstring candidate = std::wstring(temp) + L"todaysim." + std::to_wstring(GetCurrentProcessId()) + L"." +
                                 std::to_wstring(attempt);
        if (CreateDirectoryW(candidate.c_str(), nullptr))
            folder = candidate;
        else if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw run_error("todaysim: cannot make a staging folder (" + error_text(GetLastError()) + ")");
    }
    if (folder.empty())
        throw run_error("todaysim: cannot make a staging folder (every name is taken)");
    folder_ = narrow_path(folder);
    try {
        const std::wstring copy = folder + L"\\" + file_name(wide_path(dll));
        if (!CopyFileW(wide_path(dll).c_str(), copy.c_str(), FALSE))
            throw run_error("todaysim: cannot copy " + dll + " to " + folder_ + " (" + error_text(GetLastError()) + ")");
        dll_ = narrow_path(copy);
        for (const auto& file : files) {
            const std::wstring target = folder + L"\\" + wide_path(file.first);
            if (!CopyFileW(wide_path(file.second).c_str(), target.c_str(), FALSE))
                throw run_error("todaysim: cannot copy " + file.second + " to " + folder_ + " (" +
                                error_text(GetLastError()) + ")");
        }
    } catch (...) {
        remove_all();
        throw;
    }
}

Staging::~Staging()
{
    remove_all();
}

void Staging::remove_all()
{
    if (folder_.empty())
        return;
    const std::wstring folder = wide_path(folder_);
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
    folder_.clear();
}

}  // namespace todaysim

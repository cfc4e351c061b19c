// SPDX-License-Identifier: MIT
// Read-only files: CreateFileW, ReadFile and CloseHandle on the host's file system.
//
// The simulated device only ever reads its language file, so the emulation covers opening
// an existing file for reading, with sharing checked between opens made through this API.
// Anything else is refused with a violation rather than half done.
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/win32.h"
#include "sim/common/HandleTable.h"
#include "sim/common/Violations.h"
#include "sim/coredll/Sim.h"
#include "sim/coredll/SimKernel.h"
#include "sim/coredll/kernel/RawAllocator.h"

namespace sim::kernel {
namespace {

constexpr unsigned kFileTag = 0x46;
constexpr DWORD kErrorTooManyOpenFiles = 4;  // ERROR_TOO_MANY_OPEN_FILES
constexpr DWORD kErrorInvalidName = 123;     // ERROR_INVALID_NAME

struct OpenFile {
    int fd;
    dev_t device;
    ino_t inode;
    DWORD access;
    DWORD share;
};

struct Files {
    std::mutex lock;
    HandleTable<OpenFile> handles{kFileTag};
    unsigned long reads = 0;
    unsigned long fail_read_at = 0;  // read number that fails; 0: none
    DWORD fail_read_error = 0;
    std::vector<FileOpen> opens;
};

Files& files()
{
    return immortal<Files>();
}

void reset_files()
{
    Files& f = files();
    std::lock_guard<std::mutex> guard(f.lock);
    f.handles.for_each([](uintptr_t, const OpenFile& file) { ::close(file.fd); });
    f.handles.clear();
    f.fail_read_at = 0;
    f.opens.clear();
}

const bool registered = (register_reset("files", reset_files), true);

// UTF-16 to UTF-8; '\' becomes '/' so that device-style paths name host files. False for
// a lone surrogate, which no file name can hold.
bool to_host_path(LPCWSTR name, std::string& path)
{
    for (size_t i = 0; name[i]; ++i) {
        unsigned long c = name[i];
        if (c >= 0xD800 && c <= 0xDBFF && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (name[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            return false;
        if (c == u'\\')
            c = u'/';
        if (c < 0x80) {
            path += static_cast<char>(c);
        } else if (c < 0x800) {
            path += static_cast<char>(0xC0 | (c >> 6));
            path += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            path += static_cast<char>(0xE0 | (c >> 12));
            path += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            path += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            path += static_cast<char>(0xF0 | (c >> 18));
            path += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            path += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            path += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return true;
}

// The Win32 error for a failed open: a missing file in an existing folder is 2, a
// missing folder 3.
DWORD open_error(int error, const std::string& path)
{
    switch (error) {
    case ENOENT: {
        size_t slash = path.find_last_of('/');
        std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
        struct stat info;
        return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? ERROR_FILE_NOT_FOUND
                                                                           : ERROR_PATH_NOT_FOUND;
    }
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE:
        return kErrorTooManyOpenFiles;
    default:
        return ERROR_ACCESS_DENIED;
    }
}

// Whether an open with this access and sharing conflicts with one that is already open.
bool conflicts(const OpenFile& open, DWORD access, DWORD share)
{
    bool reads = access & GENERIC_READ;
    bool open_reads = open.access & GENERIC_READ;
    return (open_reads && !(share & FILE_SHARE_READ)) || (reads && !(open.share & FILE_SHARE_READ));
}

HANDLE failed_open(const std::string& path, DWORD error)
{
    Files& f = files();
    {
        std::lock_guard<std::mutex> guard(f.lock);
        f.opens.push_back({path, error});
    }
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

HANDLE refuse(const char* what, DWORD error)
{
    sim::report_violation("CreateFileW", what);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

std::string describe(HANDLE handle)
{
    char text[64];
    std::snprintf(text, sizeof text, "%p", handle);
    return text;
}

}  // namespace

size_t live_file_handles()
{
    Files& f = files();
    std::lock_guard<std::mutex> guard(f.lock);
    return f.handles.live();
}

void read_fail_nth(unsigned long n, DWORD error)
{
    Files& f = files();
    std::lock_guard<std::mutex> guard(f.lock);
    f.fail_read_at = n == 0 ? 0 : f.reads + n;
    f.fail_read_error = error;
}

void read_fail_off()
{
    read_fail_nth(0, 0);
}

unsigned long read_call_count()
{
    Files& f = files();
    std::lock_guard<std::mutex> guard(f.lock);
    return f.reads;
}

std::vector<FileOpen> file_opens()
{
    Files& f = files();
    std::lock_guard<std::mutex> guard(f.lock);
    return f.opens;
}

}  // namespace sim::kernel

using namespace sim::kernel;

// CreateFileW (coredll): GENERIC_READ of an existing file only. Share mode is enforced
// between opens made through this API; a folder or an unreadable file gives error 5.
HANDLE WINAPI CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD creation,
                          DWORD flags, HANDLE templ)
{
    if (!name)
        return refuse("null file name", ERROR_INVALID_PARAMETER);
    if (access != GENERIC_READ)
        return refuse("unsupported access (only GENERIC_READ)", ERROR_INVALID_PARAMETER);
    if (share & ~static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE))
        return refuse("unsupported share mode", ERROR_INVALID_PARAMETER);
    if (creation != OPEN_EXISTING)
        return refuse("unsupported creation mode (only OPEN_EXISTING)", ERROR_INVALID_PARAMETER);
    if (flags & ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL))
        return refuse("unsupported flags and attributes", ERROR_INVALID_PARAMETER);
    if (sa || templ)
        return refuse("security attributes and templates are not supported", ERROR_INVALID_PARAMETER);

    std::string path;
    if (!to_host_path(name, path) || path.empty()) {
        SetLastError(path.empty() ? ERROR_PATH_NOT_FOUND : kErrorInvalidName);
        return INVALID_HANDLE_VALUE;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failed_open(path, open_error(errno, path));
    struct stat info;
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return failed_open(path, ERROR_ACCESS_DENIED);
    }
    Files& f = files();
    std::lock_guard<std::mutex> guard(f.lock);
    bool shared_out = false;
    f.handles.for_each([&](uintptr_t, const OpenFile& open) {
        if (open.device == info.st_dev && open.inode == info.st_ino && conflicts(open, access, share))
            shared_out = true;
    });
    if (shared_out) {
        ::close(fd);
        f.opens.push_back({path, ERROR_SHARING_VIOLATION});
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    f.opens.push_back({path, ERROR_SUCCESS});
    uintptr_t handle = f.handles.add(std::make_unique<OpenFile>(OpenFile{fd, info.st_dev, info.st_ino, access, share}));
    if (!handle) {
        ::close(fd);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    return reinterpret_cast<HANDLE>(handle);
}

// ReadFile (coredll): synchronous only; fewer bytes than asked at the end of the file,
// and TRUE with 0 bytes at its end.
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED ov)
{
    if (read)
        *read = 0;
    if (ov || !read || (!buffer && toRead)) {
        sim::report_violation("ReadFile", ov ? "overlapped reads are not supported" : "null buffer or count");
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Files& f = files();
    std::unique_lock<std::mutex> guard(f.lock);
    OpenFile* open = f.handles.get(reinterpret_cast<uintptr_t>(file));
    if (!open) {
        guard.unlock();
        sim::report_violation("ReadFile", "stale or foreign handle " + describe(file));
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ++f.reads;
    if (f.fail_read_at != 0 && f.reads == f.fail_read_at) {
        f.fail_read_at = 0;
        SetLastError(f.fail_read_error);
        return FALSE;
    }
    DWORD total = 0;
    while (total < toRead) {
        ssize_t got = ::read(open->fd, static_cast<char*>(buffer) + total, toRead - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            SetLastError(ERROR_READ_FAULT);
            return FALSE;
        }
        if (got == 0)
            break;
        total += static_cast<DWORD>(got);
    }
    *read = total;
    return TRUE;
}

// CloseHandle (coredll): file handles are the only kernel handles of the simulated device.
BOOL WINAPI CloseHandle(HANDLE handle)
{
    Files& f = files();
    std::unique_lock<std::mutex> guard(f.lock);
    OpenFile* open = f.handles.get(reinterpret_cast<uintptr_t>(handle));
    if (!open) {
        guard.unlock();
        sim::report_violation("CloseHandle", "stale or foreign handle " + describe(handle));
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ::close(open->fd);
    f.handles.remove(reinterpret_cast<uintptr_t>(handle));
    return TRUE;
}

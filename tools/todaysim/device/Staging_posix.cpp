// SPDX-License-Identifier: MIT
// The staging folder's files on a POSIX system: made with mkdtemp, and removed also on an
// interrupt from the terminal.
#include "tools/todaysim/device/Staging.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "tools/todaysim/scenario/Failure.h"

namespace todaysim {
namespace {

namespace fs = std::filesystem;

// Paths the interrupt handler removes: fixed buffers, since a handler may not allocate.
constexpr int kMaxStaged = 32;
char g_staged[kMaxStaged][4096];
volatile sig_atomic_t g_staged_count = 0;
char g_folder[4096];

extern "C" void remove_on_signal(int signo)
{
    for (int i = 0; i < g_staged_count; ++i)
        unlink(g_staged[i]);
    if (g_folder[0])
        rmdir(g_folder);
    signal(signo, SIG_DFL);
    raise(signo);
}

void remember(const std::string& path)
{
    if (g_staged_count < kMaxStaged && path.size() < sizeof g_staged[0]) {
        std::memcpy(g_staged[g_staged_count], path.c_str(), path.size() + 1);
        g_staged_count = g_staged_count + 1;
    }
}

}  // namespace

namespace staging {

std::string make_folder()
{
    std::string pattern = (fs::temp_directory_path() / "todaysim.XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw run_error("todaysim: cannot make a staging folder: " + std::string(std::strerror(errno)));
    if (pattern.size() < sizeof g_folder) {
        std::memcpy(g_folder, pattern.c_str(), pattern.size() + 1);
        signal(SIGINT, remove_on_signal);
        signal(SIGTERM, remove_on_signal);
        signal(SIGHUP, remove_on_signal);
    }
    return pattern;
}

std::string copy_into(const std::string& folder, const std::string& from, const std::string& name)
{
    const std::string to = (fs::path(folder) / (name.empty() ? fs::path(from).filename() : fs::path(name))).string();
    std::error_code error;
    remember(to);
    if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, error))
        throw run_error("todaysim: cannot copy " + from + " to " + to + ": " + error.message());
    return to;
}

void remove_folder(const std::string& folder)
{
    std::error_code error;
    fs::remove_all(folder, error);
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    g_staged_count = 0;
    g_folder[0] = 0;
}

}  // namespace staging

}  // namespace todaysim

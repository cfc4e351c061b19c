// SPDX-License-Identifier: MIT
// A private folder holding a copy of the plug-in and the language files a scenario places
// beside it, so the plug-in finds them by its own path as on a device. Removed at exit.
#ifndef LINKORY_TOOLS_TODAYSIM_STAGING_H
#define LINKORY_TOOLS_TODAYSIM_STAGING_H

#include <string>
#include <utility>
#include <vector>

namespace todaysim {

class Staging {
public:
    // With no files the plug-in is used where it lies and nothing is copied. Throws a run
    // Failure when the folder or a copy cannot be made.
    Staging(const std::string& dll, const std::vector<std::pair<std::string, std::string>>& files);
    ~Staging();
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;

    // The plug-in to load: the copy inside the folder, or the original.
    const std::string& dll() const { return dll_; }
    const std::string& folder() const { return folder_; }

private:
    void remove_all();

    std::string dll_;
    std::string folder_;  // empty when nothing was staged
};

// The file operations behind Staging, each build's own; each throws a run Failure saying
// what could not be done.
namespace staging {
// Makes a fresh private folder; returns its path.
std::string make_folder();
// Copies `from` into `folder` as `name`, or under its own file name when `name` is empty;
// returns the copy's path.
std::string copy_into(const std::string& folder, const std::string& from, const std::string& name);
// Removes the folder with everything in it, as far as it can; never throws.
void remove_folder(const std::string& folder);
}  // namespace staging

}  // namespace todaysim

#endif

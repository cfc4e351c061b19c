// SPDX-License-Identifier: MIT
// The staging folder's life, alike on every build: made and filled on construction, removed
// on every way out, including a copy that fails half-way.
#include "tools/todaysim/device/Staging.h"

namespace todaysim {

Staging::Staging(const std::string& dll, const std::vector<std::pair<std::string, std::string>>& files)
    : dll_(dll)
{
    if (files.empty())
        return;
    folder_ = staging::make_folder();
    try {
        dll_ = staging::copy_into(folder_, dll, std::string());
        for (const auto& file : files)
            staging::copy_into(folder_, file.second, file.first);
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
    staging::remove_folder(folder_);
    folder_.clear();
}

}  // namespace todaysim

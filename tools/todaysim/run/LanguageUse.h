// SPDX-License-Identifier: MIT
// Which language file a run's plug-in took: told from the files the device saw it open and
// todaysim's own reading of each, since the plug-in itself says nothing about it.
#ifndef LINKORY_TOOLS_TODAYSIM_RUN_LANGUAGEUSE_H
#define LINKORY_TOOLS_TODAYSIM_RUN_LANGUAGEUSE_H

#include <string>
#include <utility>
#include <vector>

#include "sim/coredll/SimKernel.h"

namespace todaysim {

struct LanguageUse {
    std::string line;   // for the line under the text view: what was loaded, tried or refused and why
    std::string brief;  // for a status line: "Linkory.0407.intl", "no language file", "Linkory.0407.intl refused"
};

// `opens`: the device's file opens during the load, in order. `staged`: the staging folder
// (empty if none) and its file names with the user's files they were copied from, so that
// the pointer to --check names the user's file.
LanguageUse language_use(const std::vector<sim::kernel::FileOpen>& opens, const std::string& staged,
                         const std::vector<std::pair<std::string, std::string>>& sources);

}  // namespace todaysim

#endif

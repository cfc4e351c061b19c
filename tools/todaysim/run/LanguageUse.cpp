// SPDX-License-Identifier: MIT
// The language file a run used, from the device's record of opened files.
#include "tools/todaysim/run/LanguageUse.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "tools/todaysim/language/LanguageFile.h"

namespace todaysim {
namespace {

std::string base_name(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return path.substr(slash == std::string::npos ? 0 : slash + 1);
}

// The user's file behind an opened path: the scenario's file for a staged copy.
std::string user_path(const std::string& path, const std::string& staged,
                      const std::vector<std::pair<std::string, std::string>>& sources)
{
    if (staged.empty() || path.compare(0, staged.size() + 1, staged + "/") != 0)
        return path;
    for (const auto& source : sources)
        if (source.first == base_name(path))
            return source.second;
    return path;
}

// Why an opened file gave no texts, with the command that says more; empty if it gave them.
std::string refused(const std::string& opened, const std::string& user)
{
    std::ifstream in(opened, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string why = refusal(read_language_file(bytes));
    if (why.empty())
        return why;
    uint16_t language = 0;
    std::string command = "todaysim --check " + user;
    // The check takes the language from the file's name; a staged file's own name may lack it.
    if (!language_of_name(user, language) && language_of_name(opened, language)) {
        char id[16];
        std::snprintf(id, sizeof id, " --lang %04X", language);
        command += id;
    }
    return why + " (" + command + " says more)";
}

}  // namespace

LanguageUse language_use(const std::vector<sim::kernel::FileOpen>& opens, const std::string& staged,
                         const std::vector<std::pair<std::string, std::string>>& sources)
{
    std::string tried, refusals, first_refused;
    for (const sim::kernel::FileOpen& open : opens) {
        const std::string name = base_name(open.path);
        if (open.error == ERROR_FILE_NOT_FOUND || open.error == ERROR_PATH_NOT_FOUND) {
            tried += (tried.empty() ? "" : ", ") + name;
            continue;
        }
        const std::string why = open.error ? "the device could not open it (error " + std::to_string(open.error) + ")"
                                           : refused(open.path, user_path(open.path, staged, sources));
        if (why.empty()) {
            LanguageUse use;
            use.line = "language file " + name + " loaded" +
                       (tried.empty() ? std::string() : " (" + tried + " not found)") +
                       (refusals.empty() ? std::string() : "; before it " + refusals);
            use.brief = name;
            return use;
        }
        refusals += (refusals.empty() ? "" : "; ") + name + " found but refused: " + why;
        if (first_refused.empty())
            first_refused = name;
    }
    LanguageUse use;
    if (!refusals.empty()) {
        use.line = refusals + (tried.empty() ? std::string() : "; " + tried + " not found") + "; built-in English shown";
        use.brief = first_refused + " refused: English";
    } else {
        use.line = "no language file found (tried " + (tried.empty() ? std::string("none") : tried) +
                   "): built-in English";
        use.brief = "no language file: English";
    }
    return use;
}

}  // namespace todaysim

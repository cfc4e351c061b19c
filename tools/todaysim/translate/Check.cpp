// SPDX-License-Identifier: MIT
// todaysim --check: reads the file, has the plug-in draw with it, reports and pictures it.
#include "tools/todaysim/translate/Check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tools/todaysim/device/Device.h"
#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/scenario/Utf.h"
#include "tools/todaysim/translate/Template.h"
#include "tools/todaysim/translate/Translator.h"

namespace todaysim::check {
namespace {

std::string read_file(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        throw usage_error("todaysim: --check " + path + ": " + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        throw usage_error("todaysim: --check " + path + ": not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        throw usage_error("todaysim: --check " + path + ": cannot be opened: " + std::strerror(errno));
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw usage_error("todaysim: --check " + path + ": cannot be read");
    return bytes;
}

// Lines where the plug-in drew something other than what the reading of the file gives:
// the reasons in the report would then be wrong, so they are a failure of the check.
size_t disagreements(const std::vector<Paint>& expected, const std::vector<DensityRun>& runs)
{
    size_t count = 0;
    for (const DensityRun& run : runs) {
        for (size_t p = 0; p < expected.size(); ++p) {
            const std::vector<Drawn> none;
            const std::vector<Drawn>& drawn = p < run.paints.size() ? run.paints[p] : none;
            for (size_t i = 0; i < std::max(expected[p].size(), drawn.size()); ++i) {
                const std::string want =
                    i < expected[p].size() ? utf8_from_utf16(expected[p][i].text.c_str(), expected[p][i].text.size())
                                           : "(no line)";
                const std::string got = i < drawn.size() ? drawn[i].text : "(no line)";
                if (want == got)
                    continue;
                std::fprintf(stderr, "todaysim: --check at %d dpi: the plug-in drew '%s' where the file gives '%s'\n",
                             run.density.dpi, got.c_str(), want.c_str());
                ++count;
            }
        }
    }
    return count;
}

}  // namespace

int run_check(const Options& options)
{
    const std::string& path = options.check;
    const LanguageFile file = read_language_file(read_file(path));
    uint16_t language = 0x0409;
    if (options.language)
        language = *options.language;
    else
        language_of_name(path, language);

    const std::string dll = options.dll.empty() ? default_dll() : options.dll;
    struct stat info;
    if (stat(dll.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        throw options.dll.empty() ? run_error("todaysim: " + dll + " not found; build the Linkory target or pass --dll")
                                  : usage_error("todaysim: --dll " + dll + ": no such file");
    TraceWriter trace;
    if (options.trace)
        trace.open(*options.trace);
    size_t misuses = 0;
    const std::vector<DensityRun> runs = draw_with(dll, path, language, options.trace ? &trace : nullptr, misuses);
    trace.close();

    const std::vector<Paint> expected = expected_paints(file);
    const size_t disagreeing = disagreements(expected, runs);
    const std::vector<Diagnostic> diagnostics = diagnose(file, expected, runs, path, language);
    size_t counts[3] = {0, 0, 0};
    // The report steps aside for a trace or a contact sheet on standard output.
    const bool busy = (options.trace && *options.trace == "-") || (options.png && *options.png == "-");
    std::FILE* report = busy ? stderr : stdout;
    for (const Diagnostic& d : diagnostics) {
        ++counts[static_cast<int>(d.severity)];
        if (!options.quiet)
            std::fprintf(report, "%s\n", format_diagnostic(path, d).c_str());
    }
    if (!options.quiet)
        std::fprintf(report, "%s: %s; %zu error(s), %zu warning(s), %zu note(s)\n", path.c_str(),
                     statistics(file).c_str(), counts[0], counts[1], counts[2]);
    if (options.png)
        write_png(*options.png, contact_sheet(runs));
    if (misuses)
        std::fprintf(stderr, "todaysim: the plug-in misused the simulated device or left something behind\n");
    return counts[0] || counts[1] || disagreeing || misuses ? kExitFailure : kExitOk;
}

}  // namespace todaysim::check

namespace todaysim {

bool run_translator_tool(const Options& options, int& status)
{
    if (!options.template_path.empty()) {
        write_template(options.template_path);
        status = kExitOk;
        return true;
    }
    if (options.check.empty())
        return false;
    status = check::run_check(options);
    return true;
}

}  // namespace todaysim

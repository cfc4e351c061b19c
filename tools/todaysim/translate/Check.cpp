// SPDX-License-Identifier: MIT
// todaysim --check: reads the file, has the plug-in draw with it, reports and pictures it.
#include "tools/todaysim/translate/Check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "tools/todaysim/device/Device.h"
#include "tools/todaysim/language/EntryText.h"
#include "tools/todaysim/language/Vocabulary.h"
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

std::string utf16le(const std::u16string& text)
{
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// The texts of a section whose name misspells one the plug-in asks for are never shown, but
// they will be once the name is mended: the plug-in draws a copy with the header mended, and
// the problems of those texts are reported in the same run.
std::vector<Diagnostic> misspelt_sections(const LanguageFile& file, const std::string& bytes, const std::string& dll,
                                          const std::string& path, uint16_t language, size_t& misuses)
{
    std::vector<Diagnostic> found;
    for (const std::u16string& known : {std::u16string(vocabulary::kMain), std::u16string(vocabulary::kConnType)}) {
        const Section* wrong = nullptr;
        for (const Section& section : file.sections)
            if (!wrong && !vocabulary::same_name(section.lookup_name(), known) && misspelt(section.name, known))
                wrong = &section;
        if (!wrong || wrong->entries.empty() || file.find(known))
            continue;
        std::string mended = bytes;
        const size_t at = mended.find(utf16le(u"[" + wrong->name + u"]"), 2);
        if (at == std::string::npos || at % 2 != 0)
            continue;
        mended.replace(at, 2 * (wrong->name.size() + 2), utf16le(u"[" + known + u"]"));
        std::string copy = (std::filesystem::temp_directory_path() / "todaysim-check.XXXXXX").string();
        const int fd = mkstemp(copy.data());
        if (fd < 0)
            continue;
        const bool written = write(fd, mended.data(), mended.size()) == static_cast<ssize_t>(mended.size());
        close(fd);
        std::vector<DensityRun> runs;
        if (written)
            runs = draw_with(dll, copy, language, nullptr, misuses);
        unlink(copy.c_str());
        if (!written)
            continue;
        const LanguageFile fixed = read_language_file(mended);
        std::set<int> lines;
        for (const Entry& entry : wrong->entries)
            lines.insert(entry.line);
        for (Diagnostic& d : diagnose(fixed, expected_paints(fixed), runs, path, language)) {
            if (!lines.count(d.line) || d.severity == Severity::Note)
                continue;
            d.message = "once " + section_name(wrong->name) + " is named " + section_name(known) + ": " + d.message;
            found.push_back(std::move(d));
        }
    }
    return found;
}

}  // namespace

int run_check(const Options& options)
{
    const std::string& path = options.check;
    const std::string bytes = read_file(path);
    const LanguageFile file = read_language_file(bytes);
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
    std::vector<Diagnostic> diagnostics = diagnose(file, expected, runs, path, language);
    if (file.accepted) {
        for (Diagnostic& d : misspelt_sections(file, bytes, dll, path, language, misuses))
            diagnostics.push_back(std::move(d));
        std::stable_sort(diagnostics.begin(), diagnostics.end(),
                         [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
    }
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
    if (options.png) {
        char title[32];
        std::snprintf(title, sizeof title, ", language %04X", language);
        const size_t slash = path.find_last_of('/');
        write_png(*options.png, contact_sheet(runs, path.substr(slash == std::string::npos ? 0 : slash + 1) + title,
                                              line_marks(file, expected, diagnostics)));
    }
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

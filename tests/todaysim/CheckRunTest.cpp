// SPDX-License-Identifier: MIT
// todaysim --check and --template as a translator runs them: what the real plug-in draws
// with each language file must be what the check's reading of the file says it draws.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>

#include "ToolRun.h"
#include "tools/todaysim/scenario/Utf.h"
#include "tools/todaysim/translate/CheckExpect.h"
#include "tools/todaysim/translate/Template.h"

using nlohmann::json;
using namespace todaysim;

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string temp_file(const std::string& name, const std::string& bytes)
{
    // A folder of its own, so that the file keeps exactly its name.
    const std::string folder = testing::TempDir() + "todaysim_check_" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string utf16_file(const std::u16string& text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text)
        bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

using Texts = std::vector<std::string>;

// Per run of the check (one per density), the texts of three paints: the last one before
// the sample connections come, the last before the expanded picture, the last before unload.
std::vector<std::vector<Texts>> drawn_paints(const ToolRun& run)
{
    std::vector<std::vector<Texts>> runs;
    Texts paint;
    bool idle_taken = false;
    for (const json& event : run.trace) {
        const std::string ev = event.value("ev", "");
        const std::string step = event.value("step", "");
        if (ev == "load") {
            runs.emplace_back();
            idle_taken = false;
        } else if (ev == "paint") {
            paint.clear();
        } else if (ev == "text") {
            paint.push_back(event.value("text", ""));
        } else if ((ev == "step" && step == "connections" && !idle_taken) ||
                   (ev == "step" && step == "png" && event.value("path", "") == "expanded") || ev == "unload") {
            idle_taken = true;
            if (!runs.empty())
                runs.back().push_back(paint);
        }
    }
    return runs;
}

std::vector<Texts> expected_texts(const std::string& bytes)
{
    std::vector<Texts> paints;
    for (const check::Paint& paint : check::expected_paints(read_language_file(bytes))) {
        paints.emplace_back();
        for (const check::Line& line : paint)
            paints.back().push_back(utf8_from_utf16(line.text.c_str(), line.text.size()));
    }
    return paints;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Each file checked: the three drawings of every density are the ones its reading gives.
void expect_agreement(const std::vector<std::string>& files)
{
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const ToolRun run = run_todaysim({"--check", file, "-q"});
        EXPECT_TRUE(run.status == 0 || run.status == 1) << run.err;
        EXPECT_EQ(run.err.find("where the file gives"), std::string::npos) << run.err;
        expect_clean_unload(run);
        const std::vector<Texts> expected = expected_texts(slurp(file));
        const std::vector<std::vector<Texts>> runs = drawn_paints(run);
        ASSERT_EQ(runs.size(), 3u) << "one run per density";
        for (const std::vector<Texts>& drawn : runs)
            EXPECT_EQ(drawn, expected);
    }
}

std::vector<std::string> intl_files(const std::string& folder)
{
    std::vector<std::string> files;
    if (std::filesystem::is_directory(folder))
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            if (entry.path().extension() == ".intl")
                files.push_back(entry.path().string());
    return files;
}

}  // namespace

// Every language file under tests/data, the hostile ones included.
TEST(TodaysimCheck, PluginDrawsWhatTheReadingOfEachFileSays)
{
    const std::vector<std::string> files = intl_files(LINKORY_DATA_DIR);
    ASSERT_GE(files.size(), 11u);
    expect_agreement(files);
}

TEST(TodaysimCheck, PluginDrawsWhatTheReadingOfEachFuzzSeedSays)
{
    expect_agreement(intl_files(LINKORY_FUZZ_CORPUS_DIR));
}

// Lines at the loader's limit and past it, files it ignores, header formats and type names
// that the item formats itself.
TEST(TodaysimCheck, PluginDrawsWhatTheReadingOfFilesAtTheEdgesSays)
{
    std::vector<std::string> files;
    const std::u16string head = u"[Main]\r\n1=";
    files.push_back(temp_file("line_at_limit.intl", utf16_file(head + std::u16string(4094, u'L') + u"\r\n")));
    files.push_back(temp_file("line_past_limit.intl", utf16_file(head + std::u16string(4095, u'L') + u"\r\n")));
    files.push_back(temp_file("empty.intl", ""));
    files.push_back(temp_file("no_mark.intl", "[Main]\r\n1=Keine\r\n"));
    const std::u16string formats[] = {u"%+d", u"% i", u"%+u", u"% u", u"%05u", u"%-5u|", u"%.3u", u"%%%u%%", u"%#u",
                                      u"%10.4i", u"%0-3d|", u"%.0u",
                                      u"Ein sehr langer Kopf mit der Zahl %u, der abgeschnitten wird"};
    for (size_t i = 0; i < std::size(formats); ++i)
        files.push_back(temp_file("format" + std::to_string(i) + ".intl",
                                  utf16_file(u"[Main]\r\n2=" + formats[i] + u"\r\n[ConnType]\r\n100=" +
                                             std::u16string(300, u'z') + u"\r\n202=\r\n800=\r\n")));
    expect_agreement(files);
}

TEST(TodaysimCheck, TemplateIsTheShippedFileAndChangesNothing)
{
    const ToolRun written = run_todaysim({"--template", "-"}, false);
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out, slurp(LINKORY_TRANSLATIONS_DIR "/Linkory.0409.intl"));
    EXPECT_EQ(written.out, language_template());

    const std::string path = temp_file("Linkory.0409.intl", written.out);
    const ToolRun checked = run_todaysim({"--check", path});
    EXPECT_EQ(checked.status, 0) << checked.out;
    EXPECT_EQ(lines_of(checked.out).size(), 2u) << "one note and the statistics: " << checked.out;
    EXPECT_NE(checked.out.find(": all 45 texts given equal the built-in English; 0 error(s), 0 warning(s), 1 note(s)"),
              std::string::npos);
    // An empty file is ignored, so the item shows its built-in texts: the template's.
    const ToolRun builtin = run_todaysim({"--check", temp_file("Linkory.0409.empty", ""), "-q"});
    EXPECT_EQ(drawn_paints(checked), drawn_paints(builtin));
    std::remove(path.c_str());
}

TEST(TodaysimCheck, ReportLinesAndExitStatus)
{
    const std::string data = LINKORY_DATA_DIR;
    const struct {
        std::vector<std::string> args;
        int status;
        const char* says;  // in stdout or stderr
    } cases[] = {
        {{"--check", data + "/translations/faults.intl"}, 1, "faults.intl:3: error: '[Main] ; German' is no section header"},
        {{"--check", data + "/translations/Linkory.0407.intl"}, 1, "is wider than the item"},
        {{"--check", data + "/translations/utf8.intl"}, 1, ":1: error: the file is UTF-8"},
        {{"--check", data + "/hostile/odd_final_byte.intl", "--lang", "0409"}, 0, ":4: note: the file ends in a single byte"},
        {{"--check", data + "/nowhere.intl"}, 2, "nowhere.intl: No such file"},
        {{"--check", data}, 2, "not a file"},
        {{"--check"}, 2, "needs a value"},
        {{"--check", data + "/translations/utf8.intl", "--dpi", "131"}, 2, "measures at 96, 131 and 192 dpi"},
        {{"--check", data + "/translations/utf8.intl", "--template", "x"}, 2, "cannot be combined"},
        {{"--template", "/nonexistent/dir/t.intl"}, 1, "/nonexistent/dir/t.intl"},
        {{"--check", temp_file("amp.intl", utf16_file(u"[Main]\r\n5=&Typ\r\n")), "--lang", "0407"}, 1,
         ":2: warning: a single '&' in text 5 of [Main] is not drawn: it underlines the next character instead (write "
         "'&&' for an ampersand); the plug-in shows 'Typ: Cellular/GPRS' with 'T' underlined\n"},
        {{"--check", temp_file("mian.intl", utf16_file(u"[Mian]\r\n2=Aktiv\r\n")), "--lang", "0407"}, 1,
         ":2: error: once [Mian] is named [Main]: text 2 of [Main] must hold exactly one count conversion"},
    };
    const std::regex diagnostic("^[^:]+:[0-9]+: (error|warning|note): .+");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + (c.args.size() > 1 ? c.args[1] : ""));
        const ToolRun run = run_todaysim(c.args, false);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << run.out << run.err;
        if (c.status == 2 || run.out.empty())
            continue;
        // Editors jump to every line but the closing statistics.
        std::vector<std::string> lines = lines_of(run.out);
        EXPECT_NE(lines.back().find(" texts of [Main], "), std::string::npos);
        lines.pop_back();
        for (const std::string& line : lines)
            EXPECT_TRUE(std::regex_match(line, diagnostic)) << line;
    }
}

TEST(TodaysimCheck, ContactSheetShowsEachDensity)
{
    const std::string sheet = testing::TempDir() + std::to_string(getpid()) + "_sheet.png";
    const ToolRun run = run_todaysim({"--check", LINKORY_DATA_DIR "/translations/Linkory.0407.intl", "--png", sheet, "-q"});
    ASSERT_EQ(run.status, 1) << run.err;
    const std::string png = slurp(sheet);
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    auto be32 = [&](size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
    };
    // Three columns as wide as their screens (240 x 320 keeping its size) with margins of 8;
    // under the title, the tallest column holds four labels of 18 and the item without
    // connections, collapsed and expanded; the legend of the outlined lines closes it.
    EXPECT_EQ(be32(16), 8u + 240 + 8 + 327 + 8 + 480 + 8);
    std::map<std::string, int> height;
    int cyp = 0;
    for (const json& event : run.trace) {
        if (event.value("ev", "") == "poll")
            cyp = event.value("cyp", 0);
        if (event.value("ev", "") == "step" && event.value("step", "") == "png")
            height[event.value("path", "")] = cyp;
    }
    ASSERT_EQ(height.size(), 3u);
    EXPECT_EQ(be32(20), static_cast<unsigned>(8 + 18 + 8 + 4 * 18 + 3 * 8 + height["idle"] + height["collapsed"] +
                                              height["expanded"] + 18 + 8))
        << "the 192-dpi column";
    std::remove(sheet.c_str());
}

// The run and the check go through one sequence: a plug-in that cannot be loaded is
// reported in the same words, and every load ends in the same unload event.
TEST(TodaysimSequence, RunAndCheckLoadAndUnloadAlike)
{
    const std::string language = LINKORY_DATA_DIR "/hostile/odd_final_byte.intl";
    const std::string broken = temp_file("Broken.dll", "MZ but no module");
    const ToolRun run_broken = run_todaysim({"--scenario", scenario("two_connections.json"), "--dll", broken}, false);
    const ToolRun check_broken = run_todaysim({"--check", language, "--lang", "0409", "--dll", broken}, false);
    EXPECT_EQ(run_broken.status, 1);
    EXPECT_EQ(check_broken.status, 1);
    EXPECT_EQ(run_broken.err.rfind("todaysim: cannot load " + broken + " (error ", 0), 0u) << run_broken.err;
    EXPECT_EQ(check_broken.err, run_broken.err);

    const ToolRun run = run_todaysim({"--scenario", scenario("two_connections.json"), "-q"});
    const ToolRun check = run_todaysim({"--check", language, "--lang", "0409", "-q"});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(check.status, 0) << check.err;
    expect_clean_unload(run);
    ASSERT_EQ(check.all("load").size(), 3u) << "one run per density";
    const std::vector<json> unloads = check.all("unload");
    ASSERT_EQ(unloads.size(), 3u);
    for (const json& unload : unloads)
        EXPECT_EQ(unload, run.all("unload").front());
    EXPECT_EQ(check.all("load").front().value("window", false), run.all("load").front().value("window", false));
}

// SPDX-License-Identifier: MIT
// The check's diagnostics: the reasons from the file, what is shown from the plug-in.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>

#include "tools/todaysim/language/EntryText.h"
#include "tools/todaysim/language/Vocabulary.h"
#include "tools/todaysim/scenario/Utf.h"
#include "tools/todaysim/translate/Check.h"

namespace todaysim::check {
namespace {

using vocabulary::kConnType;
using vocabulary::kMain;

class Report {
public:
    Report(const LanguageFile& file, const std::vector<Paint>& expected, const std::vector<DensityRun>& runs)
        : file_(file), expected_(expected), runs_(runs)
    {
    }
    std::vector<Diagnostic> take() { return std::move(out_); }

    void encoding(const std::string& name, uint16_t language);
    void sections();
    void dropped();
    void entries(const std::u16string& section);
    void lengths();

private:
    void add(int line, Severity severity, std::string message) { out_.push_back({line, severity, std::move(message)}); }
    // What the plug-in drew for a text, read from the first density's run.
    // With the '&' prefixes applied, as the screen shows it.
    std::string shown(const Source& source) const;
    std::string shown(PaintKind paint, size_t index) const;
    void entry(const std::u16string& section, const Entry& entry, const Entry* first);
    void text_in_use(const std::u16string& section, const Entry& entry, const std::string& text);
    // The file's entry a line is blamed on: the longest of its texts that the file gives.
    const Entry* blamed(const Line& line) const;
    std::string clipped_at(size_t paint, size_t line, int& over_by) const;

    const LanguageFile& file_;
    const std::vector<Paint>& expected_;
    const std::vector<DensityRun>& runs_;
    std::vector<Diagnostic> out_;
};

std::string Report::shown(PaintKind paint, size_t index) const
{
    if (runs_.empty() || runs_[0].paints.size() <= static_cast<size_t>(paint) ||
        runs_[0].paints[paint].size() <= index)
        return "(nothing drawn)";
    const std::string& text = runs_[0].paints[paint][index].text;
    size_t underlined = 0;
    const std::u16string drawn = drawn_text(utf16_from_utf8(text), underlined);
    return quoted(drawn) + (underlined < drawn.size() ? " with " + quoted(drawn.substr(underlined, 1)) + " underlined" : "");
}

std::string Report::shown(const Source& source) const
{
    if (source.section == kMain) {
        // Where each text of Main shows among the sample connections.
        static const std::pair<PaintKind, size_t> kWhere[] = {
            {kIdle, 0}, {kSamples, 0}, {kSamples, 2}, {kSamples, 6}, {kSamples, 3}, {kSamples, 4}, {kSamples, 12}};
        const auto& where = kWhere[source.number - 1];
        return shown(where.first, where.second);
    }
    const auto& rows = vocabulary::type_rows();
    for (size_t r = 0; r < rows.size(); ++r)
        if (rows[r].number == source.number)
            return shown(kTypes, 2 + 3 * r);
    return "(nothing drawn)";
}

void Report::encoding(const std::string& name, uint16_t language)
{
    const std::string english = "the plug-in ignores the whole file and shows its English texts, " +
                                shown(Source{kMain, 1}) + " and " + shown(Source{kMain, 2});
    if (file_.encoding == Encoding::TooShort)
        add(1, Severity::Error, refusal(file_) + "; " + english);
    else if (encoding_name(file_.encoding))
        add(1, Severity::Error, refusal(file_) + ": " + english);
    if (file_.utf32_mark)
        add(1, Severity::Error, "the file looks like UTF-32LE (it begins with FF FE 00 00): the plug-in reads it as "
                                "UTF-16LE with a NUL character after every character, so it finds no section and no text");
    if (!file_.refused.empty())
        add(file_.refused_line, Severity::Error, refusal(file_) + "; it shows its English texts, " +
                                                     shown(Source{kMain, 1}) + " and " + shown(Source{kMain, 2}));
    if (file_.lone_byte && file_.refused.empty())
        add(file_.last_line, Severity::Note, "the file ends in a single byte after its last character; the plug-in ignores it");

    const size_t slash = name.find_last_of('/');
    const std::string base = name.substr(slash == std::string::npos ? 0 : slash + 1);
    char id[8], wanted[48];
    std::snprintf(id, sizeof id, "%04X", language);
    std::snprintf(wanted, sizeof wanted, "Linkory.%04X.intl or Linkory.%04X.intl", language, language & 0x3FFu);
    uint16_t named = 0;
    if (!language_of_name(base, named))
        add(1, Severity::Note, "the plug-in finds its language file only by the name Linkory.XXXX.intl beside Linkory.dll, "
                               "XXXX being the language in four hexadecimal digits; for this language " +
                                   std::string(wanted));
    else if (named != language && named != (language & 0x3FF))
        add(1, Severity::Note, "a device in language " + std::string(id) + " reads " + wanted + ", not " + base);
}

void Report::sections()
{
    const std::u16string known[] = {kMain, kConnType};
    for (size_t s = 0; s < file_.sections.size(); ++s) {
        const Section& section = file_.sections[s];
        const std::string texts = std::to_string(section.entries.size()) + " text(s)";
        if (section.name.empty()) {
            add(section.line, Severity::Error, "a section header without a name: no text is ever asked from it, so its " +
                                                   texts + " are not used");
            continue;
        }
        const Section* first = nullptr;
        for (size_t e = 0; e < s && !first; ++e)
            if (!file_.sections[e].name.empty() &&
                vocabulary::same_name(file_.sections[e].lookup_name(), section.lookup_name()))
                first = &file_.sections[e];
        if (first) {
            add(section.line, section.entries.empty() ? Severity::Note : Severity::Error,
                "section " + section_name(section.name) + " again: the plug-in reads only the first one, at line " +
                    std::to_string(first->line) + ", so the " + texts + " here are never used");
            continue;
        }
        bool asked = false;
        for (const std::u16string& name : known)
            asked |= vocabulary::same_name(section.lookup_name(), name);
        const std::u16string* near = nullptr;
        for (const std::u16string& name : known)
            if (misspelt(section.name, name))
                near = &name;
        if (asked)
            continue;
        if (near)
            add(section.line, Severity::Error, "section " + section_name(section.name) +
                                                   " is never asked for (the plug-in asks for " + section_name(*near) +
                                                   "), so its " + texts + " are not used");
        else
            add(section.line, Severity::Note, "section " + section_name(section.name) +
                                                  " is never asked for (only [Main] and [ConnType] are); its " + texts +
                                                  " are not used");
    }
}

void Report::dropped()
{
    for (const DroppedLine& d : file_.dropped) {
        // The lines before the first header are the file's own notes, unless one is a text.
        if (d.why == Dropped::BeforeSection) {
            if (looks_like_entry(d.text))
                add(d.line, Severity::Error, "a text before the first section header: the plug-in ignores it");
            continue;
        }
        std::string where = "the lines below it are still read as part of the section above";
        bool inside = false;
        for (const Section& section : file_.sections)
            inside |= section.line < d.line;
        if (!inside)
            where = "the lines below it stay before any section and are ignored as well";
        switch (d.why) {
        case Dropped::HeaderWithText:
            add(d.line, Severity::Error,
                quoted(d.text) + " is no section header: a header is '[' name ']' with nothing after the ']' on its line. "
                                 "The plug-in ignores the line, and " + where);
            break;
        case Dropped::NoEquals:
            add(d.line, Severity::Error, "no '=' in this line: the plug-in ignores it (a language file has no comment lines)");
            break;
        case Dropped::NoNumber:
            add(d.line, Severity::Error, "no number before the '=': the plug-in ignores the line");
            break;
        case Dropped::BadNumber:
            add(d.line, Severity::Error, quoted(trim_number(d.text)) +
                                             " before the '=' is not a plain decimal number (digits 0 to 9 only, no sign or "
                                             "blank inside): the plug-in ignores the line");
            break;
        case Dropped::Empty:
            add(d.line, Severity::Error, "the line begins with a NUL character: the plug-in ignores it");
            break;
        case Dropped::BeforeSection:
            break;
        }
    }
}

void Report::entries(const std::u16string& name)
{
    const Section* section = file_.find(name);
    if (!section)
        return;
    std::map<int, const Entry*> first;
    for (const Entry& e : section->entries) {
        auto found = first.find(e.number);
        entry(name, e, found == first.end() ? nullptr : found->second);
        first.emplace(e.number, &e);
    }
}

void Report::entry(const std::u16string& section, const Entry& e, const Entry* first)
{
    const std::string number = std::to_string(static_cast<uint32_t>(e.number));
    const std::string text = "text " + number + " of " + section_name(section);
    const size_t digit = e.digits.find_first_not_of(u'0');
    const bool wrapped = (digit == std::u16string::npos ? u"0" : e.digits.substr(digit)) != utf16_from_utf8(number);
    const std::string read_as = utf8(e.digits) + " is read as " + number + " (numbers wrap at 4294967296)";
    const vocabulary::Text* asked = vocabulary::find(section, e.number);
    if (!asked) {
        std::string hint = section == kMain ? " (it asks for 1 to 7" : " (it asks for the numbers of the type table";
        const std::u16string other = section == kMain ? kConnType : kMain;
        if (vocabulary::find(other, e.number))
            hint += "; " + number + " belongs to " + section_name(other);
        if (wrapped)
            hint += "; " + read_as;
        add(e.line, Severity::Note, "number " + number + " is never asked for in " + section_name(section) + hint + ")");
        return;
    }
    if (wrapped)
        add(e.line, Severity::Error, read_as + ", so this line is " + text);
    if (first) {
        if (first->text == e.text)
            add(e.line, Severity::Note, text + " again, as at line " + std::to_string(first->line));
        else
            add(e.line, Severity::Error, text + " again: the first one, at line " + std::to_string(first->line) +
                                             ", wins, so " + quoted(e.text) + " is never shown");
        return;
    }
    if (e.text.empty())
        add(e.line, Severity::Error, text + " is empty: the plug-in shows " + shown(Source{section, e.number}) + " instead");
    else
        text_in_use(section, e, text);
}

// The problems of a text that the plug-in shows.
void Report::text_in_use(const std::u16string& section, const Entry& e, const std::string& text)
{
    const Source source{section, e.number};
    if (section == kMain && e.number == 2 && !is_count_format(e.text)) {
        std::string found;
        for (const std::u16string& c : conversions(e.text))
            found += (found.empty() ? "" : " ") + utf8(c);
        add(e.line, Severity::Error, text + " must hold exactly one count conversion such as %u (" +
                                         (found.empty() ? std::string("it has none") : "it has " + found) +
                                         "): the plug-in shows its English header instead, " + shown(source));
    }
    if (e.cut_at_nul)
        add(e.line, Severity::Warning, "a NUL character ends " + text + ": the plug-in shows only " + quoted(e.text));
    if (has_prefix_ampersand(e.text))
        add(e.line, Severity::Warning, "a single '&' in " + text +
                                           " is not drawn: it underlines the next character instead (write '&&' for an "
                                           "ampersand); the plug-in shows " + shown(source));
    if (const char16_t c = control_character(e.text)) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
        add(e.line, Severity::Warning, text + " holds " + (c == u'\t' ? "a TAB (U+0009)" : "the control character " + std::string(code)) +
                                           ", which the device draws as a box: " + shown(source));
    }
    if (has_unpaired_surrogate(e.text))
        add(e.line, Severity::Warning, text + " holds half of a surrogate pair (broken UTF-16), which shows as a "
                                              "replacement mark: " + shown(source));
}

const Entry* Report::blamed(const Line& line) const
{
    const Entry* worst = nullptr;
    for (const Source& source : line.sources) {
        const Entry* e = file_.find(source.section, source.number);
        if (e && !e->text.empty() && (!worst || e->text.size() > worst->text.size()))
            worst = e;
    }
    return worst;
}

// The densities at which a drawn line is wider than its room, and by how much at worst
// (-1 when it fits everywhere).
std::string Report::clipped_at(size_t p, size_t i, int& over_by) const
{
    std::string where;
    over_by = -1;
    for (const DensityRun& run : runs_) {
        if (run.paints.size() <= p || run.paints[p].size() <= i)
            continue;
        const Drawn& drawn = run.paints[p][i];
        if (drawn.width <= drawn.room)
            continue;
        where += (where.empty() ? "" : ", ") + std::to_string(run.density.dpi) + " dpi (" +
                 std::to_string(drawn.width) + " of " + std::to_string(drawn.room) + " pixels)";
        over_by = std::max(over_by, drawn.width - drawn.room);
    }
    return where;
}

void Report::lengths()
{
    // One warning per blamed text: its worst line, and how many more lines it spoils.
    struct Problem {
        std::string message;
        int worst = -1;
        int lines = 0;
    };
    std::map<int, Problem> cut, clipped;
    auto count = [](Problem& problem, int how_bad, const std::function<std::string()>& message) {
        if (how_bad > problem.worst) {
            problem.worst = how_bad;
            problem.message = message();
        }
        ++problem.lines;
    };
    for (size_t p = 0; p < expected_.size(); ++p) {
        for (size_t i = 0; i < expected_[p].size(); ++i) {
            const Line& line = expected_[p][i];
            // The header over every type counts more connections than a device ever has.
            const bool counted_types = p == kTypes && i == 0;
            const Entry* entry = line.measured && !counted_types ? blamed(line) : nullptr;
            if (!entry)
                continue;
            const std::string drawn = shown(static_cast<PaintKind>(p), i);
            if (line.buffered && line.full > kLineChars)
                count(cut[entry->line], static_cast<int>(line.full), [&] {
                    return line.what + " needs " + std::to_string(line.full) +
                           " characters; the plug-in cuts every line at " + std::to_string(kLineChars) + " and shows " +
                           drawn;
                });
            int over_by = -1;
            const std::string where = clipped_at(p, i, over_by);
            if (over_by >= 0)
                count(clipped[entry->line], over_by, [&] {
                    return drawn + ", " + line.what + ", is wider than the item" +
                           (line.what == "the header" ? " left of its toggle box" : "") + " and clipped at " + where;
                });
        }
    }
    for (auto* group : {&cut, &clipped})
        for (const auto& [at, problem] : *group)
            add(at, Severity::Warning,
                problem.message +
                    (problem.lines > 1 ? " (and " + std::to_string(problem.lines - 1) + " more line(s))" : ""));
}

}  // namespace

namespace {

// The texts the plug-in takes from the file, and how many of them are its built-in English.
void given_texts(const LanguageFile& file, size_t& given, size_t& english)
{
    given = english = 0;
    for (const vocabulary::Text& text : vocabulary::texts()) {
        const Entry* e = file.find(text.section, text.number);
        if (!e || e->text.empty())
            continue;
        ++given;
        english += e->text == text.english;
    }
}

}  // namespace

std::vector<Diagnostic> diagnose(const LanguageFile& file, const std::vector<Paint>& expected,
                                 const std::vector<DensityRun>& runs, const std::string& file_name, uint16_t language)
{
    Report report(file, expected, runs);
    report.encoding(file_name, language);
    if (file.accepted) {
        report.sections();
        report.dropped();
        report.entries(kMain);
        report.entries(kConnType);
        report.lengths();
    }
    std::vector<Diagnostic> all = report.take();
    if (file.accepted)
        for (Diagnostic& d : missing_glyphs(file, expected, runs))
            all.push_back(std::move(d));
    // Texts such as GPRS rightly stay as they are; only a file that changes none is worth a word.
    size_t given = 0, english = 0;
    given_texts(file, given, english);
    if (given > 0 && english == given)
        all.push_back({file.sections.front().line, Severity::Note,
                       "every text the file gives (" + std::to_string(given) +
                           ") equals the built-in English: the item looks as it does without the file"});
    std::stable_sort(all.begin(), all.end(), [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
    return all;
}

std::string statistics(const LanguageFile& file)
{
    size_t given = 0, english = 0;
    given_texts(file, given, english);
    if (given > 0 && english == given)
        return "all " + std::to_string(given) + " texts given equal the built-in English";

    size_t main = 0, types = 0, main_all = 0, types_all = 0;
    for (const vocabulary::Text& text : vocabulary::texts()) {
        const bool is_main = text.section == std::u16string(kMain);
        (is_main ? main_all : types_all) += 1;
        const Entry* e = file.find(text.section, text.number);
        if (!e || e->text.empty() || (is_main && text.number == 2 && !is_count_format(e->text)))
            continue;
        (is_main ? main : types) += 1;
    }
    return std::to_string(main) + " of " + std::to_string(main_all) + " texts of [Main], " + std::to_string(types) +
           " of " + std::to_string(types_all) + " connection types translated";
}

LineMarks line_marks(const LanguageFile& file, const std::vector<Paint>& expected,
                     const std::vector<Diagnostic>& diagnostics)
{
    std::map<int, Severity> worst;
    for (const Diagnostic& d : diagnostics) {
        auto [at, added] = worst.emplace(d.line, d.severity);
        if (!added && d.severity < at->second)
            at->second = d.severity;
    }
    LineMarks marks;
    for (const Paint& paint : expected) {
        marks.emplace_back(paint.size(), Severity::Note);
        for (size_t i = 0; i < paint.size(); ++i)
            for (const Source& source : paint[i].sources)
                if (const Entry* e = file.find(source.section, source.number)) {
                    auto found = worst.find(e->line);
                    if (found != worst.end() && found->second < marks.back()[i])
                        marks.back()[i] = found->second;
                }
    }
    return marks;
}

std::string format_diagnostic(const std::string& path, const Diagnostic& d)
{
    static const char* const kNames[] = {"error", "warning", "note"};
    return path + ":" + std::to_string(d.line) + ": " + kNames[static_cast<int>(d.severity)] + ": " + d.message;
}

}  // namespace todaysim::check

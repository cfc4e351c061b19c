// SPDX-License-Identifier: MIT
// The check's reading of language files, its report and the template, without a device.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "tools/todaysim/language/Vocabulary.h"
#include "tools/todaysim/translate/Check.h"
#include "tools/todaysim/translate/Template.h"

using namespace std::string_literals;
using namespace todaysim;
using namespace todaysim::check;

namespace {

std::string utf16_file(const std::u16string& text, bool mark = true)
{
    std::string bytes = mark ? "\xFF\xFE" : "";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::vector<Diagnostic> diagnostics_of(const std::u16string& text)
{
    const LanguageFile file = read_language_file(utf16_file(text));
    return diagnose(file, expected_paints(file), {}, "Linkory.0407.intl", 0x0407);
}

std::string messages(const std::vector<Diagnostic>& found)
{
    std::string all;
    for (const Diagnostic& d : found)
        all += format_diagnostic("F", d) + "\n";
    return all;
}

}  // namespace

TEST(LanguageFileReading, EncodingIsNamed)
{
    const struct {
        std::string bytes;
        Encoding expected;
    } cases[] = {
        {"", Encoding::TooShort},
        {"\xFF", Encoding::TooShort},
        {"\xFF\xFE", Encoding::Utf16Le},
        {"\xEF\xBB\xBF[Main]\r\n", Encoding::Utf8Mark},
        {"[Main]\r\n1=Keine\r\n", Encoding::Utf8},
        {"\xFE\xFF\0[\0M", Encoding::Utf16Be},
        {utf16_file(u"[Main]\r\n1=Keine\r\n", false), Encoding::Utf16LeNoMark},
        {std::string("\0[\0M\0a\0i\0n\0]", 12), Encoding::Utf16BeNoMark},
        {"\x80\x81\x82 not text", Encoding::Unknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const LanguageFile file = read_language_file(c.bytes);
        EXPECT_EQ(file.encoding, c.expected);
        EXPECT_EQ(file.accepted, c.expected == Encoding::Utf16Le);
    }
}

// Lines and file size at the loader's limits and one past them.
TEST(LanguageFileReading, SizeLimits)
{
    const std::u16string head = u"[Main]\r\n1=";
    for (size_t units : {kMaxLineUnits, kMaxLineUnits + 1}) {
        const LanguageFile file =
            read_language_file(utf16_file(head + std::u16string(units - 2, u'L') + u"\r\n2=x%u\r\n"));
        EXPECT_EQ(file.accepted, units <= kMaxLineUnits) << units;
        EXPECT_EQ(file.refused_line, units <= kMaxLineUnits ? 0 : 2);
    }
    // Each line counts with its break: "[Main]" is 7, then lines of 9 + 1 fill up the rest.
    for (size_t total : {kMaxFileUnits, kMaxFileUnits + 1}) {
        std::u16string text = u"[Main]\r\n";
        size_t used = 7;
        while (used + 10 <= total - 12) {
            text += u"1=abcdefg\n";
            used += 10;
        }
        const size_t last = total - used - 1;
        text += u"3=" + std::u16string(last - 2, u'x') + u"\n";
        const LanguageFile file = read_language_file(utf16_file(text));
        EXPECT_EQ(file.accepted, total <= kMaxFileUnits) << total;
    }
}

TEST(LanguageFileReading, LinesAsTheLoaderSeesThem)
{
    // CR LF, LF and CR alone each end one line; blank lines only move the numbering on.
    const LanguageFile file = read_language_file(utf16_file(
        u"Preamble\r\n[Main]\r\n\r\n 5 \t= Typ \r2==x=\n007=Null\r\n[Con\0nType]\n100=Zelle\0 rest\n4294967297=wrap"s));
    ASSERT_TRUE(file.accepted);
    ASSERT_EQ(file.sections.size(), 2u);
    const Section& main = file.sections[0];
    ASSERT_EQ(main.entries.size(), 3u);
    EXPECT_EQ(main.entries[0].line, 4);
    EXPECT_EQ(main.entries[0].number, 5);
    EXPECT_EQ(main.entries[0].text, u"Typ");
    EXPECT_EQ(main.entries[1].line, 5);
    EXPECT_EQ(main.entries[1].text, u"=x=");
    EXPECT_EQ(main.entries[2].number, 7);
    // A NUL unit ends a numbered line, but a header keeps its whole name.
    EXPECT_EQ(file.sections[1].lookup_name(), u"Con");
    ASSERT_EQ(file.sections[1].entries.size(), 2u);
    EXPECT_EQ(file.sections[1].entries[0].text, u"Zelle");
    EXPECT_TRUE(file.sections[1].entries[0].cut_at_nul);
    // The last line needs no break; its number wraps modulo 2^32.
    EXPECT_EQ(file.sections[1].entries[1].number, 1);
    EXPECT_EQ(file.sections[1].entries[1].line, 9);
    EXPECT_EQ(file.find(u"MAIN", 5)->text, u"Typ");
}

TEST(LanguageFileReading, DroppedLinesHaveTheirReason)
{
    const LanguageFile file = read_language_file(utf16_file(
        u"1=vorher\r\n[Main]\r\nohne\r\n=leer\r\n+4=x\r\n4 2=x\r\n4a=x\r\n[ConnType] ; x\r\n\0x\r\n[Main\r\n"s));
    const Dropped expected[] = {Dropped::BeforeSection, Dropped::NoEquals,       Dropped::NoNumber,
                                Dropped::BadNumber,     Dropped::BadNumber,      Dropped::BadNumber,
                                Dropped::HeaderWithText, Dropped::Empty,         Dropped::HeaderWithText};
    ASSERT_EQ(file.dropped.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(file.dropped[i].why, expected[i]) << i;
        EXPECT_EQ(file.dropped[i].line, static_cast<int>(i) + (i == 0 ? 1 : 2));
    }
}

// One problem per file: where it is reported and how grave it is.
TEST(TranslationCheck, EachProblemAtItsLine)
{
    const struct {
        std::u16string text;
        int line;
        Severity severity;
        const char* says;
    } cases[] = {
        {u"[Main]\r\n2=Aktiv: %s\r\n", 2, Severity::Error, "exactly one count conversion"},
        {u"[Main]\r\n2=Aktiv: %u %u\r\n", 2, Severity::Error, "it has %u %u"},
        {u"[Main]\r\n2=Aktiv: %lu\r\n", 2, Severity::Error, "count conversion"},
        {u"[Main]\r\n5=\r\n", 2, Severity::Error, "is empty"},
        {u"[Main]\r\n5=Typ\r\n5=Art\r\n", 3, Severity::Error, "at line 2, wins"},
        {u"[Main]\r\n5=Typ\r\n5=Typ\r\n", 3, Severity::Note, "again"},
        {u"[Main]\r\n1=a\r\n[MAIN]\r\n1=b\r\n", 3, Severity::Error, "reads only the first one, at line 1"},
        {u"[Mian]\r\n1=a\r\n", 1, Severity::Error, "asks for [Main]"},
        {u"[ Main ]\r\n1=a\r\n", 1, Severity::Error, "asks for [Main]"},
        {u"[Hilfe]\r\n1=a\r\n", 1, Severity::Note, "never asked for"},
        {u"[]\r\n1=a\r\n", 1, Severity::Error, "without a name"},
        {u"[Main]\r\n8=a\r\n", 2, Severity::Note, "never asked for"},
        {u"[ConnType]\r\n4=a\r\n", 2, Severity::Note, "4 belongs to [Main]"},
        {u"[ConnType]\r\n801=a\r\n", 2, Severity::Note, "never asked for"},
        {u"[Main]\r\n4294967301=a\r\n", 2, Severity::Error, "read as 5"},
        {u"[Main]\r\n6=Mit & ohne\r\n", 2, Severity::Warning, "'&&'"},
        {u"[Main]\r\n6=Mit && ohne\r\n", 0, Severity::Note, nullptr},
        {u"[Main]\r\n6=Mit\tohne\r\n", 2, Severity::Warning, "a TAB (U+0009), which the device draws as a box"},
        {u"[Main]\r\n6=Mit\x9Fohne\r\n", 2, Severity::Warning, "the control character U+009F"},
        {u"[ConnType]\r\n102=GPRS\r\n100=Mobilfunk\r\n", 0, Severity::Note, nullptr},
        {u"[ConnType]\r\n102=GPRS\r\n", 1, Severity::Note, "equals the built-in English"},
        {u"[Main]\r\n1=a\0b\r\n"s, 2, Severity::Warning, "NUL"},
        {u"[Main]\r\n7=\xD800x\r\n", 2, Severity::Warning, "surrogate"},
        {u"Notizen ohne Bedeutung\r\n[Main]\r\n1=a\r\n", 0, Severity::Note, nullptr},
        {u"[Main]\r\n1=a\r\n[Main] ; alt\r\n", 3, Severity::Error, "no section header"},
        {u"[Main]\r\n7=" + std::u16string(60, u'u') + u"\r\n", 2, Severity::Warning, "cuts every line at 63"},
        {u"[Main]\r\n7=" + std::u16string(44, u'u') + u"\r\n", 0, Severity::Note, nullptr},
        {u"[Main]\r\n1=" + std::u16string(80, u'u') + u"\r\n", 0, Severity::Note, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        const std::vector<Diagnostic> found = diagnostics_of(c.text);
        if (!c.says) {
            EXPECT_TRUE(found.empty()) << messages(found);
            continue;
        }
        ASSERT_EQ(found.size(), 1u) << messages(found);
        EXPECT_EQ(found[0].line, c.line);
        EXPECT_EQ(found[0].severity, c.severity);
        EXPECT_NE(found[0].message.find(c.says), std::string::npos) << found[0].message;
    }
}

TEST(TranslationCheck, HeaderFormatsAreTheOnesTheItemTakes)
{
    const struct {
        std::u16string format;
        bool valid;
    } cases[] = {{u"%u", true},     {u"%d of %%", true}, {u"%-08.3i", true}, {u"%%u", false},
                 {u"%u%", false},   {u"%lu", false},     {u"%s", false},     {u"none", false},
                 {u"%u %d", false}, {u"%x", false}};
    for (const auto& c : cases)
        EXPECT_EQ(is_count_format(c.format), c.valid) << std::string(c.format.begin(), c.format.end());
    size_t full = 0;
    EXPECT_EQ(format_count(u"%100000u", 3, &full).size(), 4 * kLineChars);
    EXPECT_EQ(full, 100000u);
}

TEST(Template, HoldsEveryTextAndReadsBackAsTheBuiltInEnglish)
{
    const std::string bytes = language_template();
    const LanguageFile file = read_language_file(bytes);
    ASSERT_TRUE(file.accepted);
    for (const vocabulary::Text& text : vocabulary::texts()) {
        const Entry* entry = file.find(text.section, text.number);
        ASSERT_NE(entry, nullptr) << text.number;
        EXPECT_EQ(entry->text, text.english);
    }
    // CR LF after every line, and nothing but notes before the first section.
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\r\0\n\0", 4));
    for (const DroppedLine& line : file.dropped)
        EXPECT_EQ(line.why, Dropped::BeforeSection);
    const std::vector<Diagnostic> found = diagnose(file, expected_paints(file), {}, "Linkory.0409.intl", 0x0409);
    ASSERT_EQ(found.size(), 1u) << messages(found);
    EXPECT_EQ(found[0].severity, Severity::Note);
    EXPECT_EQ(found[0].message, "every text the file gives (45) equals the built-in English: the item looks as it does without the file");
    EXPECT_EQ(statistics(file), "all 45 texts given equal the built-in English");
}

TEST(Template, ShippedCopyIsTheToolsOutput)
{
    std::ifstream in(LINKORY_TRANSLATIONS_DIR "/Linkory.0409.intl", std::ios::binary);
    const std::string shipped((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(shipped, language_template()) << "regenerate with: todaysim --template translations/Linkory.0409.intl --force";
}

TEST(TranslationCheck, FileNamesTheDeviceLooksFor)
{
    uint16_t language = 0;
    EXPECT_TRUE(language_of_name("x/LINKORY.040c.INTL", language));
    EXPECT_EQ(language, 0x040C);
    for (const char* name : {"Linkory.407.intl", "Linkory.0407.ini", "Linkory.04070.intl", "de.intl", "Linkory.04G7.intl"})
        EXPECT_FALSE(language_of_name(name, language)) << name;
}

TEST(TranslationCheck, WholeFileProblemsAreNamed)
{
    const struct {
        std::string bytes;
        int line;
        Severity severity;
        const char* says;
    } cases[] = {
        {"\xEF\xBB\xBF[Main]\r\n", 1, Severity::Error, "UTF-8 (it begins with the UTF-8 mark EF BB BF)"},
        {"[Main]\r\n", 1, Severity::Error, "UTF-8 or ASCII without a byte-order mark"},
        {"\xFE\xFF", 1, Severity::Error, "UTF-16BE"},
        {utf16_file(u"[Main]\r\n", false), 1, Severity::Error, "UTF-16LE without its byte-order mark"},
        {"\xFF", 1, Severity::Error, "1 byte(s), too few"},
        {std::string("\xFF\xFE\0\0[\0\0\0]\0\0\0\r\0\0\0\n\0\0\0", 20), 1, Severity::Error, "UTF-32LE"},
        {utf16_file(u"[Main]\r\n1=a\r\n" + std::u16string(4097, u'x') + u"\r\n"), 3, Severity::Error,
         "line 3 is longer than 4096"},
        {utf16_file(u"[Main]\r\n\r\n1=a\r\n") + "X", 4, Severity::Note, "single byte"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        const LanguageFile file = read_language_file(c.bytes);
        const std::vector<Diagnostic> found = diagnose(file, expected_paints(file), {}, "Linkory.0407.intl", 0x0407);
        ASSERT_EQ(found.size(), 1u) << messages(found);
        EXPECT_EQ(found[0].line, c.line);
        EXPECT_EQ(found[0].severity, c.severity);
        EXPECT_NE(found[0].message.find(c.says), std::string::npos) << found[0].message;
    }
    // A name the device does not look for, or one for another language, is a note.
    const LanguageFile file = read_language_file(utf16_file(u"[Main]\r\n"));
    EXPECT_NE(diagnose(file, {}, {}, "de.intl", 0x0407).at(0).message.find("Linkory.0407.intl or Linkory.0007.intl"),
              std::string::npos);
    EXPECT_NE(diagnose(file, {}, {}, "Linkory.0407.intl", 0x0C07).at(0).message.find("not Linkory.0407.intl"),
              std::string::npos);
    EXPECT_TRUE(diagnose(file, {}, {}, "Linkory.0007.intl", 0x0C07).empty());
}

// Widths as a run measured them: a line too wide is blamed on the longest translated text
// in it, once, with every density where it does not fit.
TEST(TranslationCheck, ClippedLinesAreBlamedOnTheirLongestText)
{
    const LanguageFile file = read_language_file(utf16_file(u"[Main]\r\n5=Typ\r\n[ConnType]\r\n102=Paketdaten\r\n"));
    const std::vector<Paint> expected = expected_paints(file);
    std::vector<DensityRun> runs;
    Drawn fits;
    fits.width = 10;
    fits.room = 100;
    for (const Density& density : densities()) {
        DensityRun run;
        run.density = density;
        for (const Paint& paint : expected) {
            run.paints.emplace_back(paint.size(), fits);
        }
        runs.push_back(run);
    }
    // The GPRS sample's type line, too wide at 131 and 192 dpi; the destination line too wide
    // everywhere, but made of built-in texts only.
    runs[1].paints[kSamples][3].width = 101;
    runs[2].paints[kSamples][3].width = 140;
    for (DensityRun& run : runs)
        run.paints[kSamples][4].width = 500;
    const std::vector<Diagnostic> found = diagnose(file, expected, runs, "Linkory.0407.intl", 0x0407);
    ASSERT_EQ(found.size(), 1u) << messages(found);
    EXPECT_EQ(found[0].line, 4) << "102 is longer than the label 5";
    EXPECT_EQ(found[0].severity, Severity::Warning);
    EXPECT_NE(found[0].message.find("the type line of Cellular/GPRS"), std::string::npos) << found[0].message;
    EXPECT_NE(found[0].message.find("131 dpi (101 of 100 pixels), 192 dpi (140 of 100 pixels)"), std::string::npos)
        << found[0].message;
    EXPECT_EQ(found[0].message.find("96 dpi"), std::string::npos);
    // Exactly as wide as the room still fits.
    runs[1].paints[kSamples][3].width = 100;
    runs[2].paints[kSamples][3].width = 100;
    EXPECT_TRUE(diagnose(file, expected, runs, "Linkory.0407.intl", 0x0407).empty());
}

TEST(TranslationCheck, TypeNamesFallBackAsTheItemDoes)
{
    // 100 empty: Cellular rows show the unknown type's text; 202 empty: WiFi shows its type alone.
    const LanguageFile file =
        read_language_file(utf16_file(u"[ConnType]\r\n100=\r\n202=\r\n800=Fremd\r\n201=LAN\r\n"));
    const Paint types = expected_paints(file)[kTypes];
    const auto& rows = vocabulary::type_rows();
    auto type_line = [&](uint32_t type, uint32_t subtype) {
        for (size_t r = 0; r < rows.size(); ++r)
            if (rows[r].type == type && rows[r].subtype == subtype)
                return types.at(2 + 3 * r).text;
        return std::u16string(u"(no row)");
    };
    EXPECT_EQ(type_line(1, 0), u"Type: Fremd");
    EXPECT_EQ(type_line(1, 2), u"Type: Fremd");
    EXPECT_EQ(type_line(2, 2), u"Type: Network card");
    EXPECT_EQ(type_line(2, 1), u"Type: Network card/LAN");
    EXPECT_EQ(type_line(4, 3), u"Type: Modem/Null Modem") << "the modem's subtypes skip 2";
    EXPECT_EQ(type_line(9, 0), u"Type: Fremd");
    EXPECT_EQ(statistics(file), "0 of 7 texts of [Main], 2 of 38 connection types translated");
    // Every type row has a text of its own, and every ConnType text a row.
    size_t conn_texts = 0;
    for (const vocabulary::Text& text : vocabulary::texts())
        conn_texts += text.section == std::u16string(vocabulary::kConnType);
    EXPECT_EQ(rows.size(), conn_texts);
    for (const vocabulary::TypeRow& row : rows)
        EXPECT_NE(vocabulary::find(vocabulary::kConnType, row.number), nullptr) << row.number;
}

// The sheet outlines each drawn line by the worst diagnostic of the texts it is made of.
TEST(TranslationCheck, DrawnLinesAreMarkedByTheirTexts)
{
    const LanguageFile file = read_language_file(utf16_file(u"[Main]\r\n5=Typ\tArt\r\n2=Aktiv: %s\r\n"));
    const std::vector<Paint> expected = expected_paints(file);
    const LineMarks marks = line_marks(file, expected, diagnose(file, expected, {}, "Linkory.0407.intl", 0x0407));
    ASSERT_EQ(marks.size(), expected.size());
    EXPECT_EQ(marks[kIdle], std::vector<Severity>{Severity::Note});
    EXPECT_EQ(marks[kSamples][0], Severity::Error) << "the header, from text 2";
    EXPECT_EQ(marks[kSamples][3], Severity::Warning) << "the first type line, from text 5";
    EXPECT_EQ(std::count(marks[kSamples].begin(), marks[kSamples].end(), Severity::Warning), 3) << "a type line each";
    EXPECT_EQ(std::count(marks[kSamples].begin(), marks[kSamples].end(), Severity::Note), 9);
}

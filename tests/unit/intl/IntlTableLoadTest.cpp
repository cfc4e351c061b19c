// SPDX-License-Identifier: MIT
// Tests of loading language files: names and fallback, line syntax, errors, failures.
#include <gtest/gtest.h>

#include <map>
#include <new>

#include "intl/IntlEmptySection.h"
#include "intl/IntlTable.h"
#include "support/SimFixture.h"
#include "unit/intl/LanguageFiles.h"

namespace {

HMODULE const kModule = reinterpret_cast<HMODULE>(0x7A000);

class IntlTableLoadTest : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        sim::kernel::override_module_path(kModule, folder.WidePathOf("Linkory.dll"));
    }

    TempFolder folder;
};

// What a German translator hands in: comments, blanks, a second "Main", empty texts.
const char kGerman[] =
    "; Deutsch, von Hand gepflegt\n"
    "1=vor jedem Abschnitt\n"
    "[main]\n"
    "1=Keine aktiven Verbindungen\n"
    "\n"
    "   2 = Aktive Verbindungen: %u \t\n"
    "[ConnType] ; Verbindungsarten\n"
    "\t5 = Typ\n"
    "5=Art\n"
    "6=\n"
    "7= \t \n"
    "3=IP-Adresse=v4\n"
    "+4=x\n"
    "4a=x\n"
    "4 4=x\n"
    "=x\n"
    "ohne Gleichheitszeichen\n"
    "\n"
    "[Main]\n"
    "1=zweiter Abschnitt\n"
    "8=nur im zweiten\n"
    "[]\n"
    "1=namenlos\n"
    "[ConnType]\n"
    "102=GPRS (Paket)";

const char16_t kGermanDump[] =
    u"[main]{1=Keine aktiven Verbindungen|2=Aktive Verbindungen: %u|5=Typ|5=Art|6=(null)|7=(null)|"
    u"3=IP-Adresse=v4|}[Main]{1=zweiter Abschnitt|8=nur im zweiten|}[]{1=namenlos|}[ConnType]{102=GPRS (Paket)|}";

TEST_F(IntlTableLoadTest, AnotherFileReplacesTheTable)
{
    // Headers stand among blanks too; a line of one unit is a line; a lone bracket is no header.
    folder.WriteLanguage("first.intl", "[Main]\n1=eins\n");
    folder.WriteLanguage("second.intl", " \t[Other] \n;\n2=zwei\n]\n");
    CIntlTable table;
    ASSERT_EQ(table.LoadFile(folder.WidePathOf("first.intl").c_str()), 0u);
    ASSERT_EQ(table.LoadFile(folder.WidePathOf("second.intl").c_str()), 0u);
    EXPECT_EQ(Dump(table), u"[Other]{2=zwei|}");
}

TEST_F(IntlTableLoadTest, LanguageNamesFallBackToThePrimaryLanguage)
{
    const std::string good = "[Main]\n1=";
    const struct {
        const char* story;
        LANGID language;  // 0: the device's, which is 0x0407
        std::map<std::string, std::string> files;
        DWORD result;
        const char16_t* dump;
    } cases[] = {
        {"exact name", 0, {{"Linkory.0407.intl", good + "de-DE"}, {"Linkory.0007.intl", good + "de"}}, 0,
         u"[Main]{1=de-DE|}"},
        {"primary name only", 0, {{"Linkory.0007.intl", good + "de"}}, 0, u"[Main]{1=de|}"},
        {"exact file without a mark", 0,
         {{"Linkory.0407.intl", "RAW:[Main]"}, {"Linkory.0007.intl", good + "de"}}, 0, u"[Main]{1=de|}"},
        {"exact file of one byte", 0, {{"Linkory.0407.intl", "RAW:\xFF"}, {"Linkory.0007.intl", good + "de"}}, 0,
         u"[Main]{1=de|}"},
        {"exact file of the mark alone", 0,
         {{"Linkory.0407.intl", "RAW:\xFF\xFE"}, {"Linkory.0007.intl", good + "de"}}, 0, u""},
        {"no file at all", 0, {}, ERROR_FILE_NOT_FOUND, u""},
        {"only a file without a mark", 0, {{"Linkory.0007.intl", "RAW:\xFE\xFF"}}, ERROR_FILE_CORRUPT, u""},
        {"upper-case hex digits", 0x040A, {{"Linkory.040A.intl", good + "es"}}, 0, u"[Main]{1=es|}"},
        {"lower-case name is another file", 0x040A, {{"Linkory.040a.intl", good + "es"}}, ERROR_FILE_NOT_FOUND,
         u""},
        {"primary-only language", 0x0009, {{"Linkory.0009.intl", good + "en"}}, 0, u"[Main]{1=en|}"},
        {"odd length ends in a lone byte", 0x0009, {{"Linkory.0009.intl", "ODD:[M]\n1=a"}}, 0, u"[M]{1=a|}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.story);
        TempFolder files;
        sim::kernel::override_module_path(kModule, files.WidePathOf("Linkory.dll"));
        sim::kernel::set_device_language(0x0407);
        for (const auto& [name, content] : c.files) {
            if (content.rfind("RAW:", 0) == 0) {
                files.WriteBytes(name, content.substr(4));
            } else if (content.rfind("ODD:", 0) == 0) {
                files.WriteLanguage(name, content.substr(4), "\n", false);
                files.WriteBytes(name, "b", true);
            } else {
                files.WriteLanguage(name, content);
            }
        }
        CIntlTable table;
        EXPECT_EQ(table.Load(kModule, c.language), c.result);
        EXPECT_EQ(Dump(table), c.dump);
    }
}

TEST_F(IntlTableLoadTest, LibraryPathsThatNameNoFile)
{
    const struct {
        const char* story;
        std::u16string path;
        DWORD result;
    } cases[] = {
        {"no extension", u"/device/Windows/Linkory", ERROR_INTERNAL_ERROR},
        {"only a leading dot", u".dll", ERROR_INTERNAL_ERROR},
        {"empty", u"", ERROR_INVALID_STATE},
        {"longer than the buffer", u"/" + std::u16string(600, u'd') + u"/Linkory.dll", ERROR_INSUFFICIENT_BUFFER},
        {"as long as the buffer", u"/" + std::u16string(507, u'd') + u".dll", ERROR_INSUFFICIENT_BUFFER},
        {"one unit shorter: no such file", u"/" + std::u16string(506, u'd') + u".dll", ERROR_PATH_NOT_FOUND},
        {"one character before the dot", u"a.dll", ERROR_FILE_NOT_FOUND},
        {"one character", u"a", ERROR_INTERNAL_ERROR},
        {"the dot last", u"a.", ERROR_FILE_NOT_FOUND},
        {"empty up to a 0 unit", std::u16string(u"\0a.dll", 6), ERROR_INVALID_STATE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.story);
        sim::kernel::override_module_path(kModule, c.path);
        SetLastError(ERROR_SUCCESS);
        CIntlTable table;
        EXPECT_EQ(table.Load(kModule, 0x0409), c.result);
        EXPECT_EQ(table.GetSectionCount(), 0);
    }
    CIntlTable table;
    // A module the device does not know: its error, not a guess.
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(table.Load(reinterpret_cast<HINSTANCE>(0x7FFF0000), 0x0409), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    ExpectViolation("no module at");
    EXPECT_EQ(table.LoadFile(nullptr), 87u);
    EXPECT_EQ(table.LoadFile(TEXT("")), 87u);
    EXPECT_EQ(CIntlTable::OpenLanguageFile(TEXT("x"), NULL), 87u);
    EXPECT_EQ(table.LoadFile(TEXT("x")), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(IntlTableLoadTest, ReadErrorKeepsWhatWasRead)
{
    folder.WriteLanguage("mid.intl", "[Main]\n1=a\n2=b", "\n");
    // Mark, "[Main]", LF and "1=a" take 11 reads; the 12th is the LF after it.
    for (unsigned long failing : {12ul, 13ul}) {
        SCOPED_TRACE(failing);
        sim::kernel::read_fail_nth(failing, ERROR_READ_FAULT);
        CIntlTable table;
        EXPECT_EQ(table.LoadFile(folder.WidePathOf("mid.intl").c_str()), 0u);
        EXPECT_EQ(Dump(table), failing == 12 ? u"[Main]{}" : u"[Main]{1=a|}");
    }
    sim::kernel::read_fail_nth(1, ERROR_READ_FAULT);
    CIntlTable table;
    EXPECT_EQ(table.LoadFile(folder.WidePathOf("mid.intl").c_str()), static_cast<DWORD>(ERROR_READ_FAULT));
}

// Fails each allocation of a whole load in turn: every run must end with the full table
// or an empty one, never crash, and give every block back with the table.
TEST_F(IntlTableLoadTest, EveryAllocationFailureLeavesAWholeOrEmptyTable)
{
    folder.WriteLanguage("Linkory.0407.intl", kGerman);
    unsigned long n = 1;
    for (;; ++n) {
        SCOPED_TRACE(testing::Message() << "failing allocation " << n);
        size_t blocks = sim::kernel::heap_stats().live_blocks;
        unsigned long attempts = sim::kernel::heap_allocation_count();
        sim::kernel::heap_fail_nth(n);
        CIntlTable* table = new (std::nothrow) CIntlTable();
        DWORD result = table ? table->Load(kModule, 0x0407) : ERROR_NOT_ENOUGH_MEMORY;
        bool injected = sim::kernel::heap_allocation_count() - attempts >= n;
        sim::kernel::heap_fail_off();
        if (table) {
            if (result == ERROR_SUCCESS) {
                EXPECT_EQ(Dump(*table), kGermanDump);
            } else {
                EXPECT_EQ(table->GetSectionCount(), 0);
                EXPECT_EQ(table->FindSection(TEXT("Main")), CIntlEmptySection::Get());
            }
            delete table;
        }
        EXPECT_EQ(sim::kernel::heap_stats().live_blocks, blocks);
        if (!injected) {
            EXPECT_EQ(result, 0u);
            break;
        }
        EXPECT_NE(result, 0u);
    }
    RecordProperty("failure_points", static_cast<int>(n - 1));
    // Without room for the file's name the load stops there rather than try the next name.
    CIntlTable unnamed;
    sim::kernel::heap_fail_nth(1);
    EXPECT_EQ(unnamed.Load(kModule, 0x0407), static_cast<DWORD>(ERROR_INTERNAL_ERROR));
    sim::kernel::heap_fail_off();
    // Objects, names, texts and list growth of this file all come from the device heap;
    // far fewer points would mean some of them escaped it.
    EXPECT_GE(n - 1, 40u);
}

// Each line counts with one unit for its break: a file of exactly 65,536 such units loads,
// one unit more is refused whole.
TEST_F(IntlTableLoadTest, FileLimitIsSixtyFiveThousandFiveHundredThirtySixUnits)
{
    for (int over : {0, 1}) {
        SCOPED_TRACE(over ? "one unit over the limit" : "exactly at the limit");
        std::string text = "[Main]\n1=Hallo\n";
        int units = 7 + 8;
        while (65536 - units > 4096) {
            text += std::string(4095, ';') + "\n";
            units += 4096;
        }
        text += std::string(size_t(65536 - units - 1 + over), ';');
        folder.WriteLanguage("limit.intl", text, "\r\n", true);
        CIntlTable table;
        EXPECT_EQ(table.LoadFile(folder.WidePathOf("limit.intl").c_str()), over ? DWORD(ERROR_FILE_CORRUPT) : 0u);
        EXPECT_EQ(Dump(table), over ? u"" : u"[Main]{1=Hallo|}");
    }
}

}  // namespace

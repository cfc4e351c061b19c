// SPDX-License-Identifier: MIT
// Fuzz target: arbitrary bytes as the language file beside the library, then every text looked up.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "connections/TypeNames.h"
#include "fuzz/FuzzSupport.h"
#include "intl/IntlEntry.h"
#include "intl/IntlTable.h"
#include "sim/coredll/SimKernel.h"

namespace {

const unsigned kLanguage = 0x0409;

const int kConnTypeNumbers[] = {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 200, 201, 202,
                                300, 400, 401, 402, 403, 404, 405, 406, 407, 408, 500, 501, 502, 600,
                                601, 602, 603, 604, 605, 700, 701, 702, 703, 800};

void fail(const char* what)
{
    std::fprintf(stderr, "language file: %s\n", what);
    std::abort();
}

// A loaded text is one trimmed line: no line break inside, no blank at either end.
void check_text(const WCHAR* text, const WCHAR* fallback)
{
    if (!text || text == fallback)
        return;
    size_t length = fuzz::touch_text(text);
    if (length == 0)
        fail("an entry holds an empty text instead of none");
    for (size_t i = 0; i < length; ++i)
        if (text[i] == '\r' || text[i] == '\n')
            fail("a text holds a line break");
    for (WCHAR end : {text[0], text[length - 1]})
        if (end == ' ' || end == '\t')
            fail("a text was not trimmed");
}

void look_up(CIntlSection* section, int id)
{
    static const WCHAR fallback[] = TEXT("default");
    check_text(section->GetText(id, fallback), fallback);
}

// Every section of the table, and in each every number its entries define.
void walk_table(CIntlTable& table)
{
    for (int s = 0; s < table.GetSectionCount(); ++s) {
        CIntlSection* section = table.GetSection(s);
        if (!section)
            fail("a section slot is null");
        const WCHAR* name = section->GetBuffer();
        for (size_t i = 0, n = fuzz::touch_text(name); i < n; ++i)
            if (name[i] == '\r' || name[i] == '\n')
                fail("a section name holds a line break");
        CSafeObjArray* entries = section;
        for (int e = 0; e < entries->GetCount(); ++e) {
            CIntlEntry* entry = static_cast<CIntlEntry*>(static_cast<CSafeString*>(entries->GetAt(e)));
            if (!entry)
                fail("an entry slot is null");
            look_up(section, entry->GetId());
        }
    }
}

void use_vocabulary(CIntlTable& table)
{
    CIntlSection* main = table.FindSection(TEXT("Main"));
    CIntlSection* types = table.FindSection(TEXT("ConnType"));
    if (!main || !types)
        fail("a named section lookup returned null");
    for (int id = 1; id <= 7; ++id)
        look_up(main, id);
    for (int id : kConnTypeNumbers)
        look_up(types, id);

    // A type alone, a type with a subtype, a subtype off the table, no type at all.
    const DWORD pairs[][2] = {{1, 2}, {2, 2}, {3, 1}, {4, 2}, {4, 9}, {7, 3}, {9, 0}, {1, 11}};
    CTypeNames names;
    names.Attach(&table);
    for (const auto& pair : pairs)
        fuzz::touch_text(names.GetName(pair[0], pair[1]));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    sim::kernel::set_device_language(kLanguage);
    fuzz::folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::write_language_file(kLanguage, data, size);
    const fuzz::LiveCounts before = fuzz::live_counts();
    CIntlTable* table = new (std::nothrow) CIntlTable();
    if (!table)
        fail("no table");
    table->Load(fuzz::module(), 0);
    walk_table(*table);
    use_vocabulary(*table);
    delete table;
    fuzz::expect_clean(before, "load and lookups");
    return 0;
}

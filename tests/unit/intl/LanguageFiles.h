// SPDX-License-Identifier: MIT
// Dumps of language tables, so that a whole load is compared in one expectation.
#ifndef LINKORY_TESTS_UNIT_INTL_LANGUAGEFILES_H
#define LINKORY_TESTS_UNIT_INTL_LANGUAGEFILES_H

#include <string>

#include "intl/IntlEntry.h"
#include "intl/IntlTable.h"
#include "support/TestFiles.h"

// "id=text|id=(null)|" for every entry of the section, in file order.
inline std::u16string Dump(CIntlSection& section)
{
    std::u16string dump;
    for (int e = 0; e < section.GetCount(); ++e) {
        auto* entry = static_cast<CIntlEntry*>(static_cast<CSafeString*>(section.CSafeObjArray::GetAt(e)));
        const WCHAR* text = entry->GetBuffer();
        dump += Wide(std::to_string(entry->GetId())) + u"=" + (text ? std::u16string(text) : u"(null)") + u"|";
    }
    return dump;
}

// "[name]{entries}" for every section, in file order.
inline std::u16string Dump(CIntlTable& table)
{
    std::u16string dump;
    for (int i = 0; i < table.GetSectionCount(); ++i) {
        CIntlSection* section = table.GetSection(i);
        dump += u"[" + std::u16string(section->GetBuffer() ? section->GetBuffer() : u"") + u"]{" + Dump(*section) + u"}";
    }
    return dump;
}

#endif

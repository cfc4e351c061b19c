// SPDX-License-Identifier: MIT
// CIntlTable: construction, teardown and the lookup of a section by name.
#include "intl/IntlTable.h"

#include "intl/IntlEmptySection.h"

CIntlTable::CIntlTable() : hInstance(NULL), sections(FALSE, FALSE)
{
    sections.SetOwnership(TRUE);
}

CIntlTable::~CIntlTable()
{
    sections.RemoveAll();
}

CIntlSection* CIntlTable::GetSection(int index)
{
    // Sections go in as their CSafeString base, the pointer the owning array deletes.
    return static_cast<CIntlSection*>(static_cast<CSafeString*>(sections.GetAt(index)));
}

CIntlSection* CIntlTable::FindSection(const WCHAR* name)
{
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    for (int i = 0; i < sections.GetCount(); ++i) {
        // Only loading fills the list, and never with a null section.
        CIntlSection* section = GetSection(i);
        if (section->Equals(name, FALSE))
            return section;
    }
    return CIntlEmptySection::Get();
}

// SPDX-License-Identifier: MIT
// CIntlTable: construction, teardown and the lookup of a section by name.
#include "intl/IntlTable.h"

#include "intl/IntlEmptySection.h"

CIntlTable::CIntlTable() : hInstance(nullptr), sections(FALSE, FALSE)
{
    sections.SetOwnership(TRUE);
}

CIntlTable::~CIntlTable()
{
    sections.RemoveAll();
}

CIntlSection* CIntlTable::FindSection(const WCHAR* name)
{
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    for (int i = 0; i < sections.GetCount(); ++i) {
        CIntlSection* section = static_cast<CIntlSection*>(static_cast<CSafeString*>(sections.GetAt(i)));
        if (section && section->Equals(name, FALSE))
            return section;
    }
    return CIntlEmptySection::Get();
}

// SPDX-License-Identifier: MIT
// CIntlSection: lookup of a numbered text and parsing of one numbered line.
#include "intl/IntlSection.h"

#include <new>

#include "intl/IntlEntry.h"

namespace {

bool IsBlank(WCHAR ch)
{
    return ch == ' ' || ch == '\t';
}

// Narrows [*first, *end) to its part without spaces and tabs at either end.
void TrimRange(const WCHAR* text, int* first, int* end)
{
    while (*first < *end && IsBlank(text[*first]))
        ++*first;
    while (*end > *first && IsBlank(text[*end - 1]))
        --*end;
}

}  // namespace

CIntlSection::CIntlSection() : CSafeString(), CSafeObjArray(FALSE, FALSE)
{
    ownsItems = TRUE;
}

CIntlSection::~CIntlSection()
{
    CSafeObjArray::RemoveAll();
}

const WCHAR* CIntlSection::GetText(int id, const WCHAR* defaultText)
{
    for (int i = 0; i < GetCount(); ++i) {
        CSafeString* item = static_cast<CSafeString*>(CSafeObjArray::GetAt(i));
        CIntlEntry* entry = static_cast<CIntlEntry*>(item);
        if (entry && entry->GetId() == id)
            return entry->GetBuffer();
    }
    return defaultText;
}

DWORD CIntlSection::ParseLine(const WCHAR* line)
{
    if (!line || !line[0])
        return ERROR_INVALID_PARAMETER;
    // The line counts up to its first 0 unit.
    int length = lstrlenW(line);
    int equals = 0;
    while (equals < length && line[equals] != '=')
        ++equals;
    if (equals == length)
        return ERROR_INVALID_PARAMETER;

    int numberFirst = 0;
    int numberEnd = equals;
    TrimRange(line, &numberFirst, &numberEnd);
    int id = 0;
    if (numberEnd == numberFirst ||
        CSafeString::ParseNumber(line + numberFirst, numberEnd - numberFirst, &id) != ERROR_SUCCESS)
        return ERROR_INVALID_PARAMETER;

    int textFirst = equals + 1;
    int textEnd = length;
    TrimRange(line, &textFirst, &textEnd);
    int textLength = textEnd - textFirst;

    CIntlEntry* entry = new (std::nothrow) CIntlEntry(id, line + textFirst, textLength);
    if (!entry)
        return ERROR_NOT_ENOUGH_MEMORY;
    // An entry that lost its text would hide the default behind a null text.
    if (entry->GetLength() != textLength || Add(static_cast<CSafeString*>(entry)) != ERROR_SUCCESS) {
        delete entry;
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return ERROR_SUCCESS;
}

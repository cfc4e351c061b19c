// SPDX-License-Identifier: MIT
// CSafeString: pieces of a text (Mid, Split), trimming and decimal numbers.
#include "support/SafeString.h"

#include <string.h>

#include <new>

#include "support/Lock.h"
#include "support/SafeObjArray.h"

namespace {

bool IsBlank(WCHAR ch)
{
    return ch == ' ' || ch == '\t';
}

bool IsSeparator(WCHAR ch, const WCHAR* separators)
{
    for (; *separators; ++separators) {
        if (*separators == ch)
            return true;
    }
    return false;
}

}  // namespace

CSafeString* CSafeString::NewPiece(const WCHAR* text, int count)
{
    if (count < 0)
        count = lstrlenW(text);  // 0 for null text
    CSafeString* piece = new (std::nothrow) CSafeString(text, count);  // LCOV_EXCL_BR_LINE: no constructor throws
    // The constructor swallows a failed Assign; a piece without its text is no piece.
    if (piece && count >= 1 && piece->GetLength() != count) {
        delete piece;  // LCOV_EXCL_BR_LINE: delete's null test
        return NULL;
    }
    return piece;
}

CSafeString* CSafeString::Mid(int start, int count)
{
    CLock lock(&criticalSection);
    if (start < 0)
        start = 0;
    if (start > length)
        start = length;
    if (count < 0 || count > length - start)
        count = length - start;
    if (count < 1)
        return new (std::nothrow) CSafeString();  // LCOV_EXCL_BR_LINE: no constructor throws
    return NewPiece(buffer + start, count);
}

CSafeObjArray* CSafeString::Split(const WCHAR* separators)
{
    CLock lock(&criticalSection);
    if (!buffer)
        return NULL;
    return SplitText(buffer, length, separators, FALSE);
}

CSafeObjArray* CSafeString::SplitText(const WCHAR* text, int length, const WCHAR* separators, BOOL quotes)
{
    if (!text)
        return NULL;
    if (!separators)
        separators = TEXT(" ");
    CSafeObjArray* pieces = new (std::nothrow) CSafeObjArray(FALSE, FALSE);  // LCOV_EXCL_BR_LINE: no constructor throws
    if (!pieces)
        return NULL;
    if (!separators[0]) {
        CSafeString* whole = NewPiece(text, length);
        if (!whole || pieces->Add(whole) != ERROR_SUCCESS) {
            delete whole;
            delete pieces;  // LCOV_EXCL_BR_LINE: delete's null test
            return NULL;
        }
        return pieces;
    }
    if (length < 0)
        length = lstrlenW(text);

    int start = 0;
    int k = 0;
    bool inQuotes = false;
    for (int i = 0; i <= length; ++i) {
        bool endOfPiece = i == length;
        if (!endOfPiece) {
            if (quotes && text[i] == '"')
                inQuotes = !inQuotes;
            if (inQuotes || !IsSeparator(text[i], separators)) {
                ++k;
                continue;
            }
        }
        if (k > 0) {
            CSafeString* piece = NewPiece(text + start, k);
            // A null stand-in for a lost piece would be dropped as a duplicate by the
            // second one, so any failure hands back nothing rather than a gap.
            if (!piece || pieces->Add(piece) != ERROR_SUCCESS) {
                delete piece;
                pieces->DeleteAll();
                delete pieces;  // LCOV_EXCL_BR_LINE: delete's null test
                return NULL;
            }
        }
        start = i + 1;
        k = 0;
    }
    return pieces;
}

void CSafeString::Trim()
{
    CLock lock(&criticalSection);
    if (!buffer || length == 0)
        return;
    int first = 0;
    while (first < length && IsBlank(buffer[first]))
        ++first;
    if (first == length) {
        Assign(TEXT(""), -1);
        return;
    }
    int end = length;
    while (IsBlank(buffer[end - 1]))
        --end;
    // The kept part moves down inside the block: no temporary, so nothing can fail.
    memmove(buffer, buffer + first, static_cast<size_t>(end - first) * sizeof(WCHAR));
    length = end - first;
    buffer[length] = 0;
}

DWORD CSafeString::ToNumber(int* value)
{
    CLock lock(&criticalSection);
    return ParseNumber(buffer, length, value);
}

DWORD CSafeString::ParseNumber(const WCHAR* text, int length, int* value)
{
    if (!text || !value)
        return ERROR_INVALID_PARAMETER;
    *value = 0;
    if (length == -1)
        length = lstrlenW(text);
    // Deliberately no overflow test: more than nine digits wrap modulo 2^32.
    DWORD v = 0;
    for (int i = 0; i < length && text[i] != 0; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return ERROR_INVALID_DATA;
        v = v * 10 + static_cast<DWORD>(text[i] - '0');
    }
    *value = static_cast<int>(v);
    return ERROR_SUCCESS;
}

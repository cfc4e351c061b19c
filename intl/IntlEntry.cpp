// SPDX-License-Identifier: MIT
// CIntlEntry: construction from a number and a text.
#include "intl/IntlEntry.h"

CIntlEntry::CIntlEntry(int id, const WCHAR* text, int length) : CSafeString(text, length), id(id)
{
}

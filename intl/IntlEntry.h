// SPDX-License-Identifier: MIT
// CIntlEntry: one numbered text of a language-file section.
#ifndef LINKORY_INTL_INTLENTRY_H
#define LINKORY_INTL_INTLENTRY_H

#include "support/SafeString.h"

// The string is the entry's text; an empty text leaves it without a block, so its
// GetBuffer() is null. Destroyed through CSafeString's virtual destructor.
class CIntlEntry : public CSafeString {
public:
    // Starts as Assign(text, length) (a null text or length < 1 gives no text).
    CIntlEntry(int id, const WCHAR* text, int length);

    int GetId() const { return id; }

private:
    int id;
};

#endif

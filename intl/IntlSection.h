// SPDX-License-Identifier: MIT
// CIntlSection: a named section of a language file and its numbered texts.
#ifndef LINKORY_INTL_INTLSECTION_H
#define LINKORY_INTL_INTLSECTION_H

#include "support/SafeObjArray.h"
#include "support/SafeString.h"

// The CSafeString base is the section's name, the CSafeObjArray base its entries
// (CIntlEntry, owned, in file order). Deleting through either base destroys the whole
// section.
class CIntlSection : public CSafeString, public CSafeObjArray {
public:
    CIntlSection();
    ~CIntlSection() LINKORY_OVERRIDE;

    // The text of the first entry numbered id: the entry's own buffer, null when that
    // entry's text is empty; defaultText itself when no entry has that number.
    virtual const WCHAR* GetText(int id, const WCHAR* defaultText);
    // Adds the entry of one trimmed "number = text" line: 87 when the line is not one,
    // 8 when memory runs out (nothing is added then).
    virtual DWORD ParseLine(const WCHAR* line);
};

#endif

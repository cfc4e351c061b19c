// SPDX-License-Identifier: MIT
// CTypeNames: the display text of a connection's type and subtype codes.
#ifndef LINKORY_CONNECTIONS_TYPENAMES_H
#define LINKORY_CONNECTIONS_TYPENAMES_H

#include "platform/win32.h"

class CIntlSection;
class CIntlTable;

// Names come from the "ConnType" section (numbers 100 to 800) with built-in English
// defaults; a type and subtype are joined as "type/subtype" in a buffer of this object.
class CTypeNames {
public:
    CTypeNames();

    // Takes the table's "ConnType" section (not owned): 87 for a null table.
    DWORD Attach(CIntlTable* table);
    // The text for a type and subtype code: either a text owned by the section, or this
    // object's buffer, which the next GetName overwrites. Null only when the language
    // file leaves the fallback text (800) empty.
    const WCHAR* GetName(DWORD type, DWORD subtype);

private:
    // Not copyable: declared and never defined.
    CTypeNames(const CTypeNames&);
    CTypeNames& operator=(const CTypeNames&);

    static const int kTextSize = 512;

    WCHAR text[kTextSize];
    CIntlSection* section;
};

#endif

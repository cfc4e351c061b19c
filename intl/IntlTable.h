// SPDX-License-Identifier: MIT
// CIntlTable: the language table, the sections of the language file beside the library.
#ifndef LINKORY_INTL_INTLTABLE_H
#define LINKORY_INTL_INTLTABLE_H

#include "intl/IntlSection.h"
#include "platform/win32.h"
#include "support/SafeObjArray.h"

// Owns its sections (and so their entries) in file order. Loaded once, read-only after.
// Errors are Win32 error numbers (0 for success).
class CIntlTable {
public:
    CIntlTable();
    virtual ~CIntlTable();

    // The first section whose name equals name regardless of case, owned by the table;
    // the empty section when there is none. Null, with last error 87, for a null name.
    CIntlSection* FindSection(const WCHAR* name);
    // The sections in file order, for whoever needs to walk them all.
    int GetSectionCount() const { return sections.GetCount(); }
    // The section at index (null outside the table), owned by the table.
    CIntlSection* GetSection(int index);
    // Keeps the module handle and loads the language (0: the device's default).
    DWORD Load(HINSTANCE hInstance, LANGID language);
    // Loads "<library path without extension>.XXXX.intl" for the language, falling back
    // to its primary language; the result is that of the last attempt.
    DWORD LoadLanguage(LANGID language);
    // Replaces the table by the file's sections. A read error in mid-file keeps what
    // was read and still gives 0; running out of memory empties the table and gives 8,
    // a line longer than 4096 units or more than 65536 units of lines in all (each line
    // counted with its break) empty it and give 1392.
    DWORD LoadFile(const WCHAR* path);

    // Opens a language file and reads past its byte-order mark: 87 for a null or empty
    // path or null handle place, 1392 for a file without the mark, else the platform's.
    static DWORD OpenLanguageFile(const WCHAR* path, HANDLE* file);
    // One little-endian UTF-16 unit (0 on failure): 38 at the end of the file, where a
    // lone trailing byte also counts as the end.
    static DWORD ReadUnit(HANDLE file, WCHAR* unit);
    // The next non-empty line, without its CR or LF, into line. A result other than 0
    // (38 at the end of the file, 1392 past 4096 units) leaves the units read so far in line.
    static DWORD ReadLine(HANDLE file, CSafeString* line);

private:
    // Not copyable: declared and never defined.
    CIntlTable(const CIntlTable&);
    CIntlTable& operator=(const CIntlTable&);

    // Builds "<base>.XXXX.intl" from the path's first dot characters and loads it.
    DWORD LoadNamedFile(CSafeString* path, int dot, unsigned language);
    // Handles one trimmed line; only a shortage of memory is an error.
    DWORD AddLine(CSafeString* line, CIntlSection** current);

    HINSTANCE hInstance;
    CSafeObjArray sections;
};

#endif

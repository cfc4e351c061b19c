// SPDX-License-Identifier: MIT
// CIntlTable: finding, opening and reading the language file into sections.
#include "intl/IntlTable.h"

#include <new>

namespace {

const DWORD kModulePathSize = 512;
const WCHAR kByteOrderMark = 0xFEFF;
const unsigned kPrimaryLanguageMask = 0x3FF;
// A language file holds a few kilobytes of short lines. Lines and files far beyond that are
// refused: growing a line unit by unit, and adding entries one by one to a section that
// checks each for a duplicate, both cost the square of the size and would stall the Today
// screen for minutes on a hostile file.
const int kMaxLineUnits = 4096;
const int kMaxFileUnits = 65536;

// A platform call that failed without leaving an error behind must still not read as
// success to our caller.
DWORD PlatformError(DWORD fallback)
{
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

// "<path up to the dot>.XXXX.intl": at least four upper-case hex digits of the language.
DWORD MakeFileName(CSafeString* name, const WCHAR* modulePath, int dot, unsigned language)
{
    if (name->Assign(modulePath, dot) != ERROR_SUCCESS)
        return ERROR_INTERNAL_ERROR;
    return name->AppendFormat(TEXT(".%04X.intl"), language);
}

}  // namespace

DWORD CIntlTable::Load(HINSTANCE hInstance, LANGID language)
{
    this->hInstance = hInstance;
    return LoadLanguage(language);
}

DWORD CIntlTable::LoadLanguage(LANGID language)
{
    if (language == 0)
        language = GetUserDefaultUILanguage();

    WCHAR modulePath[kModulePathSize];
    DWORD copied = GetModuleFileNameW(hInstance, modulePath, kModulePathSize);
    // No path and no error: the library's path is as good as empty.
    if (copied == 0)
        return PlatformError(ERROR_INVALID_STATE);
    // A path cut to the buffer would name some other file.
    if (copied >= kModulePathSize)
        return ERROR_INSUFFICIENT_BUFFER;
    modulePath[copied] = 0;
    int length = lstrlenW(modulePath);
    if (length == 0)
        return ERROR_INVALID_STATE;

    int dot = length - 1;
    while (dot >= 1 && modulePath[dot] != '.')
        --dot;
    if (dot < 1)
        return ERROR_INTERNAL_ERROR;

    // The primary-language name is tried even when it is the same name again.
    const unsigned languages[2] = {language, language & kPrimaryLanguageMask};
    DWORD error = ERROR_SUCCESS;
    for (int i = 0; i < 2; ++i) {
        CSafeString name;
        error = MakeFileName(&name, modulePath, dot, languages[i]);
        if (error != ERROR_SUCCESS)
            return error;
        error = LoadFile(name.GetBuffer());
        if (error == ERROR_SUCCESS)
            return error;
    }
    return error;
}

DWORD CIntlTable::LoadFile(const WCHAR* path)
{
    sections.RemoveAll();
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = OpenLanguageFile(path, &file);
    if (error != ERROR_SUCCESS)
        return error;

    CSafeString line;
    CIntlSection* current = NULL;
    int units = 0;
    for (;;) {
        DWORD read = ReadLine(file, &line);
        // A last line without CR or LF is still a line.
        bool lastLine = read == ERROR_HANDLE_EOF && line.GetLength() > 0;
        if (read != ERROR_SUCCESS && !lastLine) {
            // A read error keeps what was read; running out of memory or a line too long
            // for a language file does not.
            if (read == ERROR_NOT_ENOUGH_MEMORY || read == ERROR_FILE_CORRUPT)
                error = read;
            break;
        }
        // Each line counts with its break, so a file of tiny entries is bounded too.
        units += line.GetLength() + 1;
        if (units > kMaxFileUnits) {
            error = ERROR_FILE_CORRUPT;
            break;
        }
        error = AddLine(&line, &current);
        if (error != ERROR_SUCCESS || lastLine)
            break;
    }
    CloseHandle(file);
    // Half a table would mix translated and default texts at random: all or nothing.
    if (error != ERROR_SUCCESS)
        sections.RemoveAll();
    return error;
}

DWORD CIntlTable::AddLine(CSafeString* line, CIntlSection** current)
{
    line->Trim();
    int length = line->GetLength();
    if (length >= 2 && line->GetAt(0) == '[' && line->GetAt(length - 1) == ']') {
        CIntlSection* section = new (std::nothrow) CIntlSection();  // LCOV_EXCL_BR_LINE: no constructor throws
        if (!section)
            return ERROR_NOT_ENOUGH_MEMORY;
        if (section->Assign(line->GetBuffer() + 1, length - 2) != ERROR_SUCCESS ||
            sections.Add(static_cast<CSafeString*>(section)) != ERROR_SUCCESS) {
            delete section;  // LCOV_EXCL_BR_LINE: delete's null test
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        *current = section;
        return ERROR_SUCCESS;
    }
    // Lines that are no numbered line are skipped; only lost memory stops the load.
    if (*current && (*current)->ParseLine(line->GetBuffer()) == ERROR_NOT_ENOUGH_MEMORY)
        return ERROR_NOT_ENOUGH_MEMORY;
    return ERROR_SUCCESS;
}

DWORD CIntlTable::OpenLanguageFile(const WCHAR* path, HANDLE* file)
{
    if (!path || !path[0] || !file)
        return ERROR_INVALID_PARAMETER;
    *file = INVALID_HANDLE_VALUE;
    HANDLE opened = CreateFileW(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (opened == INVALID_HANDLE_VALUE)
        return PlatformError(ERROR_INTERNAL_ERROR);
    WCHAR mark = 0;
    DWORD error = ReadUnit(opened, &mark);
    if (error != ERROR_SUCCESS || mark != kByteOrderMark) {
        CloseHandle(opened);
        // Too short for a mark (the end came first) or no mark: not a language file.
        return (error == ERROR_SUCCESS || error == ERROR_HANDLE_EOF) ? ERROR_FILE_CORRUPT : error;
    }
    *file = opened;
    return ERROR_SUCCESS;
}

DWORD CIntlTable::ReadUnit(HANDLE file, WCHAR* unit)
{
    if (!unit)  // LCOV_EXCL_BR_LINE: both callers pass a unit of their own
        return ERROR_INVALID_PARAMETER;  // LCOV_EXCL_LINE
    *unit = 0;
    BYTE bytes[2] = {0, 0};
    DWORD read = 0;
    if (!ReadFile(file, bytes, sizeof bytes, &read, NULL))
        return PlatformError(ERROR_INTERNAL_ERROR);
    // A lone byte at the very end makes no unit.
    if (read < sizeof bytes)
        return ERROR_HANDLE_EOF;
    *unit = static_cast<WCHAR>(bytes[0] | (bytes[1] << 8));
    return ERROR_SUCCESS;
}

DWORD CIntlTable::ReadLine(HANDLE file, CSafeString* line)
{
    if (!line)  // LCOV_EXCL_BR_LINE: the one caller passes a line of its own
        return ERROR_INVALID_PARAMETER;  // LCOV_EXCL_LINE
    line->Empty();
    for (;;) {
        WCHAR unit = 0;
        DWORD error = ReadUnit(file, &unit);
        if (error != ERROR_SUCCESS)
            return error;
        if (unit == '\r' || unit == '\n') {
            if (line->GetLength() > 0)
                return ERROR_SUCCESS;
            continue;
        }
        if (line->GetLength() >= kMaxLineUnits)
            return ERROR_FILE_CORRUPT;
        error = line->AppendChar(unit);
        if (error != ERROR_SUCCESS)
            return error;
    }
}

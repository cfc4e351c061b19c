// SPDX-License-Identifier: MIT
// CSafeString: a growable UTF-16 string on the local heap, guarded by its own lock.
#ifndef LINKORY_SUPPORT_SAFESTRING_H
#define LINKORY_SUPPORT_SAFESTRING_H

#include "platform/win32.h"

class CSafeObjArray;

// Owns its character block, which it gets at the first non-empty text and keeps, growing
// in steps of 256 bytes, until it is destroyed. A string that never held text has no
// block: GetBuffer() is then null. Errors are Win32 error numbers (0 for success).
// Where an operation takes (text, length), a length of -1 means "up to the terminating
// 0"; the text must not lie inside this string's own block.
class CSafeString {
public:
    CSafeString();
    // Starts as Assign(text, length); out of memory simply leaves it empty.
    CSafeString(const WCHAR* text, int length);
    virtual ~CSafeString();

    // Length 0; the block, if any, stays.
    virtual void Empty();
    // Replaces the text by multi-byte text of the system code page; 8 leaves it empty.
    virtual DWORD AssignMultiByte(const char* text, int byteLength);
    // Replaces the text; null or length < 1 empties it. 8 leaves it empty.
    virtual DWORD Assign(const WCHAR* text, int length);
    // Appends one unit (0 included, and counted). 8 leaves the text unchanged.
    virtual DWORD AppendChar(WCHAR ch);
    // Appends; null or length < 1 appends nothing. 8 leaves the text unchanged.
    virtual DWORD Append(const WCHAR* text, int length);
    // Appends printf-style text (%s takes a wide string). 8 when no room can be had,
    // 87 for a null format or one that does not format within 32768 characters.
    virtual DWORD AppendFormat(const WCHAR* format, ...);
    // Copies the text, cut to size - 1 characters, and a terminator into out. Always 0.
    virtual DWORD CopyTo(WCHAR* out, int size);
    // FALSE for a null or empty prefix and for a string without a block.
    virtual BOOL StartsWith(const WCHAR* prefix, BOOL caseSensitive);
    // FALSE for null text and for a string without a block (which does not equal "").
    virtual BOOL Equals(const WCHAR* text, BOOL caseSensitive);
    // A new string the caller deletes: count characters from start (negative count: to
    // the end; negative start: from 0). An empty piece has no block. Null when the new
    // string or its text cannot be allocated.
    virtual CSafeString* Mid(int start, int count);
    // SplitText of the whole text, without quote handling; null without a block.
    virtual CSafeObjArray* Split(const WCHAR* separators);
    // Removes spaces and tabs at both ends, in place.
    virtual void Trim();
    // ParseNumber of the whole text: 87 without a block, 13 for a non-digit.
    virtual DWORD ToNumber(int* value);

    // Room for n characters in all, terminator included: 8 when it cannot grow.
    DWORD Reserve(int n);

    const WCHAR* GetBuffer() const { return buffer; }
    int GetLength() const { return length; }
    // Capacity in bytes: 0 without a block, else a multiple of 256.
    int GetCapacity() const { return capacity; }
    WCHAR GetAt(int i) const { return (buffer && i >= 0 && i < length) ? buffer[i] : 0; }

    // Decimal digits only (no sign, no blanks), stopping at a 0 unit or after length
    // units; the value wraps modulo 2^32. 87 for null text or value (nothing written),
    // 13 and *value = 0 for any other character.
    static DWORD ParseNumber(const WCHAR* text, int length, int* value);
    // A new non-owning array of new pieces between separator characters (null
    // separators: a space; empty: the whole text as one piece). No empty pieces; with
    // quotes, separators between double quotes belong to the piece. Null for null text
    // and when any allocation fails (nothing is left behind then). The caller deletes
    // the pieces and the array.
    static CSafeObjArray* SplitText(const WCHAR* text, int length, const WCHAR* separators, BOOL quotes);

private:
    // Not copyable: declared and never defined.
    CSafeString(const CSafeString&);
    CSafeString& operator=(const CSafeString&);

    // A new string holding text[0..count-1] (a negative count: up to the terminating 0), or
    // null when either allocation fails.
    static CSafeString* NewPiece(const WCHAR* text, int count);

    CRITICAL_SECTION criticalSection;
    WCHAR* buffer;
    int capacity;
    int length;
};

#endif

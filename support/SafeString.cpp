// SPDX-License-Identifier: MIT
// CSafeString: storage, assignment, appending, formatting, copying and comparison.
#include "support/SafeString.h"

#include <limits.h>
#include <string.h>

#include "support/Lock.h"

namespace {

const int kStorageStep = 256;  // bytes
const int kFormatFirstSize = 512;  // characters
const int kFormatSizeStep = 256;
// A format whose output still does not fit here is taken as one the formatter rejects
// (its "invalid" and "too small" answers look alike), so the growth ends.
const int kFormatSizeLimit = 32768;

BOOL OrdinalEqual(const WCHAR* a, const WCHAR* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

}  // namespace

CSafeString::CSafeString() : buffer(NULL), capacity(0), length(0)
{
    InitializeCriticalSection(&criticalSection);
}

CSafeString::CSafeString(const WCHAR* text, int length) : buffer(NULL), capacity(0), length(0)
{
    InitializeCriticalSection(&criticalSection);
    Assign(text, length);
}

CSafeString::~CSafeString()
{
    {
        CLock lock(&criticalSection);
        CSafeString::Empty();
        LocalFree(buffer);
        buffer = NULL;
        capacity = 0;
    }
    DeleteCriticalSection(&criticalSection);
}

DWORD CSafeString::Reserve(int n)
{
    if (n < 0)
        return ERROR_INVALID_PARAMETER;
    CLock lock(&criticalSection);
    // Twice any int fits in 32 unsigned bits.
    DWORD bytes = 2u * static_cast<DWORD>(n);
    if (buffer && bytes <= static_cast<DWORD>(capacity))
        return ERROR_SUCCESS;
    // The new capacity, steps whole storage steps, must stay below INT_MAX.
    DWORD steps = bytes / static_cast<DWORD>(kStorageStep) + 1;
    if (steps > static_cast<DWORD>(INT_MAX / kStorageStep))
        return ERROR_NOT_ENOUGH_MEMORY;
    int newCapacity = static_cast<int>(steps) * kStorageStep;
    SIZE_T blockSize = static_cast<SIZE_T>(newCapacity) + 1;
    WCHAR* block;
    if (!buffer)
        block = static_cast<WCHAR*>(LocalAlloc(LMEM_ZEROINIT, blockSize));
    else
        block = static_cast<WCHAR*>(LocalReAlloc(buffer, blockSize, LMEM_MOVEABLE));
    if (!block)
        return ERROR_NOT_ENOUGH_MEMORY;
    buffer = block;
    capacity = newCapacity;
    return ERROR_SUCCESS;
}

void CSafeString::Empty()
{
    CLock lock(&criticalSection);
    length = 0;
    if (buffer)
        buffer[0] = 0;
}

DWORD CSafeString::AssignMultiByte(const char* text, int byteLength)
{
    if (!text) {
        Empty();
        return ERROR_SUCCESS;
    }
    // The converter answers 0 on failure, never less.
    int needed = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, byteLength, NULL, 0);
    CLock lock(&criticalSection);
    Empty();
    DWORD error = Reserve(needed + 1);
    if (error != ERROR_SUCCESS)
        return error;
    int produced = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, byteLength, buffer, capacity / 2);
    // With byteLength -1 the converter also writes the terminator and counts it (other
    // negative lengths fail: 0).
    if (byteLength == -1)
        --produced;
    length = produced > 0 ? produced : 0;
    buffer[length] = 0;
    return ERROR_SUCCESS;
}

DWORD CSafeString::Assign(const WCHAR* text, int length)
{
    if (length == -1) {
        if (!text) {
            Empty();
            return ERROR_SUCCESS;
        }
        length = lstrlenW(text);
    }
    if (!text || length < 1) {
        Empty();
        return ERROR_SUCCESS;
    }
    CLock lock(&criticalSection);
    Empty();
    DWORD error = length < INT_MAX ? Reserve(length + 1) : ERROR_NOT_ENOUGH_MEMORY;
    if (error != ERROR_SUCCESS)
        return error;
    memcpy(buffer, text, static_cast<size_t>(length) * sizeof(WCHAR));
    buffer[length] = 0;
    this->length = length;
    return ERROR_SUCCESS;
}

DWORD CSafeString::AppendChar(WCHAR ch)
{
    CLock lock(&criticalSection);
    // Reserve keeps every length below INT_MAX / 2: the sum cannot overflow.
    DWORD error = Reserve(length + 2);
    if (error != ERROR_SUCCESS)
        return error;
    buffer[length++] = ch;
    buffer[length] = 0;
    return ERROR_SUCCESS;
}

DWORD CSafeString::Append(const WCHAR* text, int length)
{
    if (!text)
        return ERROR_SUCCESS;
    if (length == -1)
        length = lstrlenW(text);
    if (length < 1)
        return ERROR_SUCCESS;
    CLock lock(&criticalSection);
    if (this->length > INT_MAX - 1 - length)
        return ERROR_NOT_ENOUGH_MEMORY;
    DWORD error = Reserve(this->length + length + 1);
    if (error != ERROR_SUCCESS)
        return error;
    memcpy(buffer + this->length, text, static_cast<size_t>(length) * sizeof(WCHAR));
    this->length += length;
    buffer[this->length] = 0;
    return ERROR_SUCCESS;
}

DWORD CSafeString::AppendFormat(const WCHAR* format, ...)
{
    if (!format)
        return ERROR_INVALID_PARAMETER;
    // Formatting runs without the lock, into a buffer of its own.
    for (int size = kFormatFirstSize; size <= kFormatSizeLimit; size += kFormatSizeStep) {
        WCHAR* temp = static_cast<WCHAR*>(LocalAlloc(LMEM_FIXED, static_cast<SIZE_T>(size) * sizeof(WCHAR)));
        if (!temp)
            return ERROR_NOT_ENOUGH_MEMORY;
        va_list args;
        va_start(args, format);
        int written = _vsnwprintf(temp, static_cast<size_t>(size), format, args);
        va_end(args);
        if (written >= 0 && written < size - 1) {
            temp[written] = 0;
            DWORD error = Append(temp, -1);
            LocalFree(temp);
            return error;
        }
        LocalFree(temp);
    }
    return ERROR_INVALID_PARAMETER;
}

DWORD CSafeString::CopyTo(WCHAR* out, int size)
{
    if (!out || size < 1)
        return ERROR_SUCCESS;
    CLock lock(&criticalSection);
    if (!buffer) {
        out[0] = 0;
        return ERROR_SUCCESS;
    }
    int copied = length < size - 1 ? length : size - 1;
    memcpy(out, buffer, static_cast<size_t>(copied) * sizeof(WCHAR));
    out[copied] = 0;
    return ERROR_SUCCESS;
}

BOOL CSafeString::StartsWith(const WCHAR* prefix, BOOL caseSensitive)
{
    if (!prefix || !prefix[0])
        return FALSE;
    CLock lock(&criticalSection);
    if (!buffer)
        return FALSE;
    int n = lstrlenW(prefix);
    if (length < n)
        return FALSE;
    if (caseSensitive)
        return memcmp(buffer, prefix, static_cast<size_t>(n) * sizeof(WCHAR)) == 0;
    return _wcsnicmp(buffer, prefix, static_cast<size_t>(n)) == 0;
}

BOOL CSafeString::Equals(const WCHAR* text, BOOL caseSensitive)
{
    if (!text)
        return FALSE;
    CLock lock(&criticalSection);
    if (!buffer)
        return FALSE;
    if (caseSensitive)
        return OrdinalEqual(buffer, text);
    return _wcsicmp(buffer, text) == 0;
}

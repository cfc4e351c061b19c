// SPDX-License-Identifier: MIT
// CSafePtrArray: storage, insertion, removal and ownership of a locked pointer array.
#include "support/SafePtrArray.h"

#include <limits.h>
#include <string.h>

#include <new>

#include "support/Lock.h"

namespace {

const int kSlotStep = 16;

void ReleaseRawItem(void* item)
{
    ::operator delete(item);
}

}  // namespace

CSafePtrArray::CSafePtrArray(BOOL allowDuplicates, BOOL ownsItems)
    : allowDuplicates(allowDuplicates), items(NULL), capacity(0), count(0), ownsItems(ownsItems)
{
    InitializeCriticalSection(&criticalSection);
}

CSafePtrArray::~CSafePtrArray()
{
    CSafePtrArray::RemoveAll();
    DeleteCriticalSection(&criticalSection);
}

void CSafePtrArray::DestroyAndEmpty(DestroyItemFn destroy)
{
    CLock lock(&criticalSection);
    if (destroy) {
        for (int i = 0; i < count; ++i)
            destroy(items[i]);
    }
    LocalFree(items);
    items = NULL;
    capacity = 0;
    count = 0;
}

void CSafePtrArray::RemoveAll()
{
    DestroyAndEmpty(ownsItems ? ReleaseRawItem : NULL);
}

void CSafePtrArray::DeleteAll()
{
    DestroyAndEmpty(ReleaseRawItem);
}

DWORD CSafePtrArray::ResizeStorage(int n)
{
    if (n < 0)
        return ERROR_INVALID_PARAMETER;
    CLock lock(&criticalSection);
    // Never cut the block below the items it holds, whatever a caller asks for.
    if (n < count)
        n = count;
    if (n > INT_MAX - kSlotStep)
        return ERROR_NOT_ENOUGH_MEMORY;
    int slots = (n / kSlotStep + 1) * kSlotStep;
    SIZE_T bytes = static_cast<SIZE_T>(slots) * sizeof(void*);
    if (!items) {
        void** block = static_cast<void**>(LocalAlloc(LMEM_ZEROINIT, bytes));
        if (!block)
            return ERROR_NOT_ENOUGH_MEMORY;
        items = block;
    } else {
        // Resized on every call, so the block also shrinks back after removals.
        void** block = static_cast<void**>(LocalReAlloc(items, bytes, LMEM_MOVEABLE));
        if (!block)
            return ERROR_NOT_ENOUGH_MEMORY;
        items = block;
    }
    capacity = slots;
    return ERROR_SUCCESS;
}

BOOL CSafePtrArray::Contains(void* item)
{
    CLock lock(&criticalSection);
    for (int i = 0; i < count; ++i) {
        if (items[i] == item)
            return TRUE;
    }
    return FALSE;
}

DWORD CSafePtrArray::Add(void* item)
{
    CLock lock(&criticalSection);
    if (!allowDuplicates && Contains(item))
        return ERROR_SUCCESS;
    DWORD error = ResizeStorage(count + 1);
    if (error != ERROR_SUCCESS)
        return error;
    items[count++] = item;
    OnChanged();
    return ERROR_SUCCESS;
}

void* CSafePtrArray::GetAt(int index)
{
    CLock lock(&criticalSection);
    if (index < 0 || index >= count)
        return NULL;
    return items[index];
}

DWORD CSafePtrArray::SetAt(int index, void* item)
{
    CLock lock(&criticalSection);
    if (!allowDuplicates && Contains(item))
        return ERROR_ALREADY_EXISTS;
    if (index < 0 || index >= count)
        return ERROR_INVALID_INDEX;
    items[index] = item;
    OnChanged();
    return ERROR_SUCCESS;
}

int CSafePtrArray::Find(void* item)
{
    CLock lock(&criticalSection);
    for (int i = 0; i < count; ++i) {
        if (items[i] == item)
            return i;
    }
    return -1;
}

DWORD CSafePtrArray::RemoveAt(int index)
{
    CLock lock(&criticalSection);
    if (index < 0 || index >= count)
        return ERROR_INVALID_INDEX;
    memmove(items + index, items + index + 1, static_cast<size_t>(count - index - 1) * sizeof(void*));
    --count;
    OnChanged();
    return ERROR_SUCCESS;
}

DWORD CSafePtrArray::Remove(void* item)
{
    CLock lock(&criticalSection);
    int index = Find(item);
    if (index < 0)
        return ERROR_SUCCESS;
    return RemoveAt(index);
}

DWORD CSafePtrArray::InsertAt(int index, void* item)
{
    CLock lock(&criticalSection);
    if (index < 0 || index > count)
        return ERROR_INVALID_INDEX;
    if (!allowDuplicates && Contains(item))
        return ERROR_ALREADY_EXISTS;
    if (index == count)
        return Add(item);
    DWORD error = ResizeStorage(count + 1);
    if (error != ERROR_SUCCESS)
        return error;
    memmove(items + index + 1, items + index, static_cast<size_t>(count - index) * sizeof(void*));
    items[index] = item;
    ++count;
    OnChanged();
    return ERROR_SUCCESS;
}

void** CSafePtrArray::CopyItems(int* pCount)
{
    CLock lock(&criticalSection);
    if (count == 0)
        return NULL;
    void** copy = new (std::nothrow) void*[count];  // LCOV_EXCL_BR_LINE: new[]'s size test
    if (!copy)
        return NULL;
    memcpy(copy, items, static_cast<size_t>(count) * sizeof(void*));
    if (pCount)
        *pCount = count;
    return copy;
}

void CSafePtrArray::SetOwnership(BOOL owns)
{
    ownsItems = owns;
}

void CSafePtrArray::OnChanged()
{
}

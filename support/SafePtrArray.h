// SPDX-License-Identifier: MIT
// CSafePtrArray: a growable, locked array of untyped pointers that may own its items.
#ifndef LINKORY_SUPPORT_SAFEPTRARRAY_H
#define LINKORY_SUPPORT_SAFEPTRARRAY_H

#include "platform/win32.h"

// Items are stored in insertion order in a local-heap block that grows in steps of 16
// slots. An owning array releases its items with the global operator delete (they are
// raw records from operator new) when it is emptied or destroyed; a pointer that leaves
// through RemoveAt, Remove or SetAt is the caller's again. Every operation holds the
// array's own re-entrant lock. Errors are Win32 error numbers (0 for success).
class CSafePtrArray {
public:
    CSafePtrArray(BOOL allowDuplicates, BOOL ownsItems);
    virtual ~CSafePtrArray();

    // Empties the array, destroying the items only while it owns them.
    virtual void RemoveAll();
    // Empties the array and destroys every item once, whatever the ownership.
    virtual void DeleteAll();
    // Appends item (null is a valid item). A duplicate, while those are not allowed,
    // leaves the array unchanged and still gives 0. 8 when storage cannot grow.
    virtual DWORD Add(void* item);
    // The item at index, or null outside 0..count-1.
    virtual void* GetAt(int index);
    // Overwrites a slot without destroying the old item: 183 when item is present
    // anywhere while duplicates are not allowed (checked first), 1413 for a bad index.
    virtual DWORD SetAt(int index, void* item);
    // Index of the first entry equal to item, or -1.
    virtual int Find(void* item);
    // Removes the entry without destroying it; 1413 for a bad index.
    virtual DWORD RemoveAt(int index);
    // Removes the first entry equal to item; 0 also when it is absent.
    virtual DWORD Remove(void* item);
    // Inserts before index (index == count appends): 1413 for an index outside
    // 0..count, then 183 for a forbidden duplicate, 8 when storage cannot grow.
    virtual DWORD InsertAt(int index, void* item);
    // A new[] copy of the pointers that the caller frees with delete[], its length
    // written through pCount (may be null). Null, and pCount untouched, when the array
    // is empty or the copy cannot be allocated.
    virtual void** CopyItems(int* pCount);
    // Whether RemoveAll and the destructor destroy the items present at that time.
    virtual void SetOwnership(BOOL owns);
    // Called with the lock held after every successful Add, SetAt, InsertAt, RemoveAt.
    virtual void OnChanged();

    // Sizes the item block for n items: 87 for a negative n, 8 when it cannot grow.
    DWORD ResizeStorage(int n);
    BOOL Contains(void* item);

    // For callers that need one consistent view across several operations.
    void Lock() { EnterCriticalSection(&criticalSection); }
    void Unlock() { LeaveCriticalSection(&criticalSection); }
    int GetCount() const { return count; }
    int GetCapacity() const { return capacity; }

protected:
    typedef void (*DestroyItemFn)(void* item);

    // Under the lock: runs destroy (when not null) on every item, then frees the block.
    void DestroyAndEmpty(DestroyItemFn destroy);

    BOOL allowDuplicates;
    CRITICAL_SECTION criticalSection;
    void** items;
    int capacity;
    int count;
    BOOL ownsItems;

private:
    // Not copyable: declared and never defined.
    CSafePtrArray(const CSafePtrArray&);
    CSafePtrArray& operator=(const CSafePtrArray&);
};

#endif

// SPDX-License-Identifier: MIT
// CSafeObjArray: a locked pointer array whose owned items are deleted as objects.
#ifndef LINKORY_SUPPORT_SAFEOBJARRAY_H
#define LINKORY_SUPPORT_SAFEOBJARRAY_H

#include "support/SafePtrArray.h"

// Same operations as CSafePtrArray; only destroying differs: an item is a CSafeString
// (or a class built on it) stored as its CSafeString pointer, and is deleted through
// its virtual destructor. Null entries are skipped. It also serves as the second base
// of a class whose first base is CSafeString.
class CSafeObjArray : public CSafePtrArray {
public:
    CSafeObjArray(BOOL allowDuplicates, BOOL ownsItems);
    ~CSafeObjArray() LINKORY_OVERRIDE;

    void RemoveAll() LINKORY_OVERRIDE;
    void DeleteAll() LINKORY_OVERRIDE;
};

#endif

// SPDX-License-Identifier: MIT
// CSafeObjArray: destroying items through their virtual destructor.
#include "support/SafeObjArray.h"

#include "support/SafeString.h"

namespace {

void DeleteObjectItem(void* item)
{
    // Items go in as CSafeString pointers, so this cast undoes exactly that conversion.
    delete static_cast<CSafeString*>(item);
}

}  // namespace

CSafeObjArray::CSafeObjArray(BOOL allowDuplicates, BOOL ownsItems) : CSafePtrArray(allowDuplicates, ownsItems)
{
}

CSafeObjArray::~CSafeObjArray()
{
    // The base destructor would only see its own RemoveAll, which releases raw blocks.
    CSafeObjArray::RemoveAll();
}

void CSafeObjArray::RemoveAll()
{
    DestroyAndEmpty(ownsItems ? DeleteObjectItem : NULL);
}

void CSafeObjArray::DeleteAll()
{
    DestroyAndEmpty(DeleteObjectItem);
}

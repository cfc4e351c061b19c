// SPDX-License-Identifier: MIT
// CConnectionsItem: the connection snapshot, rebuilt on every host poll.
#include <new>
#include <string.h>

#include "connections/ConnectionsItem.h"

namespace {

const HRESULT kInsufficientBuffer = (HRESULT)0x8007007AL;
const DWORD kFirstStatusSize = 1024;

BYTE* AllocateZeroed(DWORD size)
{
    BYTE* block = (BYTE*)LocalAlloc(LMEM_FIXED, size);
    if (block)
        memset(block, 0, size);
    return block;
}

}  // namespace

BOOL CConnectionsItem::OnQueryRefreshCache(TODAYLISTITEM*)
{
    ReadDestinations();
    if (!QueryStatus()) {
        if (statusBuffer)
            LocalFree(statusBuffer);
        statusBuffer = NULL;
    }

    DWORD count = CountConnected();
    if (count == connectedCount)
        return FALSE;
    // Paint now, inside the poll, so the height is known before the host is answered.
    Redraw();
    connectedCount = count;
    return TRUE;
}

void CConnectionsItem::ReadDestinations()
{
    destinations.RemoveAll();
    for (int index = 0;; ++index) {
        CONNMGR_DESTINATION_INFO* block =
            (CONNMGR_DESTINATION_INFO*)::operator new(sizeof(CONNMGR_DESTINATION_INFO), std::nothrow);
        if (!block)
            return;
        if (ConnMgrEnumDestinations(index, block) != S_OK) {
            ::operator delete(block);
            return;
        }
        // The description is shown as a string later: never trust it to be terminated.
        block->szDescription[CONNMGR_MAX_DESC - 1] = 0;
        if (destinations.Add(block) != ERROR_SUCCESS) {
            ::operator delete(block);
            return;
        }
    }
}

// Fills the status buffer, growing it to exactly the size the Connection Manager asks for.
// FALSE when the query failed or the buffer could not be grown.
BOOL CConnectionsItem::QueryStatus()
{
    if (!statusBuffer) {
        // Without a buffer its size is 0 whatever an earlier poll left.
        statusBufferSize = 0;
        statusBuffer = AllocateZeroed(kFirstStatusSize);
        if (statusBuffer)
            statusBufferSize = kFirstStatusSize;
    } else if (statusBufferSize >= sizeof(CONNMGR_CONNECTION_DETAILED_STATUS)) {
        // A manager that answers "no connections" by writing nothing must not leave the
        // previous poll's first record looking current. A manager may have asked for less
        // room than a record.
        memset(statusBuffer, 0, sizeof(CONNMGR_CONNECTION_DETAILED_STATUS));
    }

    DWORD size = statusBufferSize;
    HRESULT result = ConnMgrQueryDetailedStatus((CONNMGR_CONNECTION_DETAILED_STATUS*)statusBuffer, &size);
    while (result == kInsufficientBuffer) {
        // Asking again for no more room than we already have would never end.
        if (statusBuffer && size <= statusBufferSize)
            return FALSE;
        if (statusBuffer)
            LocalFree(statusBuffer);
        statusBuffer = AllocateZeroed(size);
        if (!statusBuffer)
            return FALSE;
        statusBufferSize = size;
        result = ConnMgrQueryDetailedStatus((CONNMGR_CONNECTION_DETAILED_STATUS*)statusBuffer, &size);
    }
    return result == S_OK;
}

DWORD CConnectionsItem::CountConnected()
{
    DWORD count = 0;
    for (CONNMGR_CONNECTION_DETAILED_STATUS* record = (CONNMGR_CONNECTION_DETAILED_STATUS*)statusBuffer;
         record; record = record->pNext) {
        if (record->dwConnectionStatus == CONNMGR_STATUS_CONNECTED)
            ++count;
    }
    return count;
}

CONNMGR_DESTINATION_INFO* CConnectionsItem::FindDestination(GUID guid)
{
    CONNMGR_DESTINATION_INFO* found = NULL;
    destinations.Lock();
    for (int i = 0; i < destinations.GetCount(); ++i) {
        CONNMGR_DESTINATION_INFO* block = (CONNMGR_DESTINATION_INFO*)destinations.GetAt(i);
        if (memcmp(&block->guid, &guid, sizeof(GUID)) == 0) {
            found = block;
            break;
        }
    }
    destinations.Unlock();
    return found;
}

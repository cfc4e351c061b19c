// SPDX-License-Identifier: MIT
// CConnectionsItem: the Today item that counts the device's data connections and lists them.
#ifndef LINKORY_CONNECTIONS_CONNECTIONSITEM_H
#define LINKORY_CONNECTIONS_CONNECTIONSITEM_H

#include "connections/TypeNames.h"
#include "framework/TodayItem.h"
#include "platform/connmgr.h"
#include "support/SafePtrArray.h"

class CIntlSection;
class CIntlTable;

// Owns its window, its four icons, the status buffer that the Connection Manager fills and
// the destination list with its blocks. Each host poll rebuilds the snapshot and repaints at
// once when the number of connected connections changed; a toggle box at the top right
// expands one detail block per connected connection.
class CConnectionsItem : public CTodayItem {
public:
    CConnectionsItem();
    ~CConnectionsItem() LINKORY_OVERRIDE;

    void OnAfterCreate() LINKORY_OVERRIDE;
    void OnPaint(HDC dc, const RECT* client) LINKORY_OVERRIDE;
    void OnLButtonDown(int x, int y) LINKORY_OVERRIDE;
    // Rebuilds the snapshot; 1 when the connected count changed (the window has been
    // repainted by then), else 0.
    BOOL OnQueryRefreshCache(TODAYLISTITEM* item) LINKORY_OVERRIDE;
    void OnAction(WPARAM wParam) LINKORY_OVERRIDE;

    // Slot 17. Binds the texts to the table (null: the built-in texts) and makes the window
    // when the record is enabled. Returns the window, or null.
    virtual HWND Initialize(HINSTANCE module, TODAYLISTITEM* item, HWND parent, CIntlTable* table);
    // Slot 18. Draws one block per connected connection from rect->top on and moves the top
    // below the last block. Called with the small font selected.
    virtual void DrawDetails(HDC dc, RECT* rect);

    // Number of records in the status buffer whose status is CONNMGR_STATUS_CONNECTED.
    DWORD CountConnected();
    // The first destination block whose GUID equals guid, or null.
    CONNMGR_DESTINATION_INFO* FindDestination(GUID guid);

private:
    void ReadDestinations();
    BOOL QueryStatus();
    void ReleaseIcons();
    const WCHAR* MainText(int id, const WCHAR* defaultText);
    void FormatHeader(WCHAR* line, DWORD count);
    void DrawLine(HDC dc, RECT* rect, const WCHAR* line, int height);

    CTypeNames typeNames;
    CSafePtrArray destinations;  // CONNMGR_DESTINATION_INFO blocks, owned
    BYTE* statusBuffer;
    DWORD statusBufferSize;
    CIntlSection* mainSection;  // not owned
    HICON connectedIcon;
    HICON idleIcon;
    HICON expandIcon;
    HICON collapseIcon;
    DWORD connectedCount;
    HFONT normalFont;
    HFONT boldFont;
    int normalFontHeight;
    HFONT smallFont;
    int smallFontHeight;
    BOOL collapsed;
    RECT toggleBox;  // client coordinates; all 0 while no box is shown
};

#endif  // LINKORY_CONNECTIONS_CONNECTIONSITEM_H

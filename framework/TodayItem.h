// SPDX-License-Identifier: MIT
// CTodayItem: a custom item of the Today screen, speaking the host's protocol.
#ifndef LINKORY_FRAMEWORK_TODAYITEM_H
#define LINKORY_FRAMEWORK_TODAYITEM_H

#include "framework/BasicWnd.h"
#include "platform/todaycmn.h"

// Makes the item's child window inside the host's window, keeps the selection, draws the
// background (host watermark, or host highlight while selected), reports the item height
// through the poll, and measures the screen's scale factor once at construction. A
// derived item changes behaviour only through the virtual On* operations below.
class CTodayItem : public CBasicWnd {
public:
    CTodayItem();
    ~CTodayItem() LINKORY_OVERRIDE;

    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) LINKORY_OVERRIDE;

    // Slot 4. Makes the item window (240 x 0, visible child of hwndParent) when the record
    // is enabled, then calls OnAfterCreate whether or not a window was made. Returns the
    // window, or null for a disabled (or missing) record or a failed creation.
    virtual HWND Create(HINSTANCE hInstance, TODAYLISTITEM* item, HWND hwndParent);

    // Slot 5. Called by Create right after the creation attempt.
    virtual void OnAfterCreate();
    // Slot 6. Called from WM_CREATE after DefWindowProcW; the result is not used.
    virtual LRESULT OnCreate();
    // Slot 7. Paints the client rectangle into the paint context.
    virtual void OnPaint(HDC dc, const RECT* client);
    // Slot 8. Background when the custom-erase flag is set; the base fills light grey.
    virtual int OnEraseBackground(HDC dc, const RECT* client);
    // Slot 9.
    virtual void OnLButtonUp(int x, int y);
    // Slot 10. Called for every tap, after any selection request.
    virtual void OnLButtonDown(int x, int y);
    // Slot 11. WM_DESTROY while the item is alive; its result answers the message.
    virtual LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    // Slot 12. Brings the content up to date on each host poll; the result is not used.
    // item may be null if the host sent no record.
    virtual BOOL OnQueryRefreshCache(TODAYLISTITEM* item);
    // Slot 13. The host offers the selection; the result becomes the selected flag.
    virtual BOOL OnReceivedSelection(WPARAM wParam);
    // Slot 14. The host took the selection away (the flag is already clear).
    virtual void OnLostSelection(WPARAM wParam);
    // Slot 15. The host's action key.
    virtual void OnAction(WPARAM wParam);
    // Slot 16. Navigation keys, only while the navigation flag is set.
    virtual LRESULT OnUserNavigation(WPARAM wParam);

protected:
    // Sets the height the host learns at its next WM_TODAYCUSTOM_QUERYREFRESHCACHE.
    void SetHeight(int height);
    // Whether a tap asks the host for the selection by itself.
    void SetSelectOnTap(BOOL on);
    // Asks the host for the selection unless the item already has it.
    void TakeSelection();
    // The host's colour for item text: the highlighted-text colour while selected.
    COLORREF GetTextColor();
    // Invalidates the whole window with erasing and paints it at once. FALSE, doing
    // nothing, while there is no window (never repaints with a null handle).
    BOOL Redraw();

    // Screen pixels per logical inch times 1/96, measured once at construction (1.0 when
    // no screen device context was available). A layout distance of k pixels at 96 dpi
    // is (int)(k * scaleX) horizontally and (int)(k * scaleY) vertically.
    double scaleX;
    double scaleY;

    BOOL customErase;     // WM_ERASEBKGND goes to OnEraseBackground (default FALSE)
    BOOL selectable;      // the item accepts the selection (default TRUE)
    int itemHeight;       // the height reported through cyp (default 0)
    BOOL selected;        // the host passed the selection to the item (default FALSE)
    BOOL userNavigation;  // WM_TODAYCUSTOM_USERNAVIGATION goes to OnUserNavigation (FALSE)
    BOOL selectOnTap;     // a tap requests the selection by itself (default TRUE)

private:
    void PaintWindow(HWND window);
    void EraseBackground(HWND window, HDC dc);
    LRESULT QueryRefreshCache(TODAYLISTITEM* item);
};

#endif  // LINKORY_FRAMEWORK_TODAYITEM_H

// SPDX-License-Identifier: MIT
// CConnectionsItem: construction, binding to the language table, icons and input.
#include "connections/ConnectionsItem.h"

#include "intl/IntlEmptySection.h"
#include "intl/IntlTable.h"

namespace {

// Icon resources of the library.
const WORD kIdleIcon = 5;
const WORD kConnectedIcon = 101;
const WORD kExpandIcon = 104;
const WORD kCollapseIcon = 105;

// The screen's density, read once for the library's life (-1 while no screen context was
// available).
bool dpiKnown = false;
int dpiX = 0;
int dpiY = 0;

HICON LoadItemIcon(HINSTANCE module, WORD id, int cx, int cy)
{
    return (HICON)LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, cx, cy, 0);
}

}  // namespace

CConnectionsItem::CConnectionsItem()
    : typeNames(),
      destinations(FALSE, FALSE),
      statusBuffer(NULL),
      statusBufferSize(0),
      mainSection(NULL),
      connectedIcon(NULL),
      idleIcon(NULL),
      expandIcon(NULL),
      collapseIcon(NULL),
      connectedCount(0),
      normalFont(NULL),
      boldFont(NULL),
      normalFontHeight(0),
      smallFont(NULL),
      smallFontHeight(0),
      collapsed(TRUE),
      toggleBox()
{
    destinations.SetOwnership(TRUE);
    // A tap asks for the selection only outside the toggle box: OnLButtonDown decides.
    SetSelectOnTap(FALSE);
}

CConnectionsItem::~CConnectionsItem()
{
    if (statusBuffer)
        LocalFree(statusBuffer);
    ReleaseIcons();
    destinations.RemoveAll();
}

HWND CConnectionsItem::Initialize(HINSTANCE module, TODAYLISTITEM* item, HWND parent, CIntlTable* table)
{
    // Without a table every text is its built-in default.
    mainSection = table ? table->FindSection(TEXT("Main")) : CIntlEmptySection::Get();
    if (!mainSection)  // LCOV_EXCL_BR_LINE: FindSection answers the empty section, never null
        mainSection = CIntlEmptySection::Get();  // LCOV_EXCL_LINE: kept should that change
    typeNames.Attach(table);
    // The item follows its newest window. An earlier one would live on with this library's
    // window procedure after the library is gone, and keep the class from unregistering.
    if (item && item->fEnabled)
        Destroy();
    return Create(module, item, parent);
}

void CConnectionsItem::OnAfterCreate()
{
    if (!dpiKnown) {
        dpiX = GetScreenDeviceCaps(LOGPIXELSX);
        dpiY = GetScreenDeviceCaps(LOGPIXELSY);
        // Without a screen context now, the next window asks again rather than keep -1.
        dpiKnown = dpiX >= 0 && dpiY >= 0;
    }

    // A second window for the same item loads the icons again; HICONs are released with
    // DestroyIcon, which DeleteObject would not do.
    ReleaseIcons();
    int bigX = (dpiX + 3) * 16 / 96;
    int bigY = (dpiY + 3) * 16 / 96;
    int toggleX = (dpiX * 10 + 48) / 96;
    int toggleY = (dpiY * 10 + 48) / 96;
    connectedIcon = LoadItemIcon(hInstance, kConnectedIcon, bigX, bigY);
    idleIcon = LoadItemIcon(hInstance, kIdleIcon, bigX, bigY);
    expandIcon = LoadItemIcon(hInstance, kExpandIcon, toggleX, toggleY);
    collapseIcon = LoadItemIcon(hInstance, kCollapseIcon, toggleX, toggleY);

    SetHeight((int)(20.0 * scaleY));
}

void CConnectionsItem::ReleaseIcons()
{
    HICON* icons[] = {&connectedIcon, &idleIcon, &expandIcon, &collapseIcon};
    for (size_t i = 0; i < sizeof icons / sizeof icons[0]; ++i) {
        if (*icons[i]) {
            DestroyIcon(*icons[i]);
            *icons[i] = NULL;
        }
    }
}

void CConnectionsItem::OnLButtonDown(int x, int y)
{
    POINT point = {x, y};
    if (PtInRect(&toggleBox, point))
        OnAction(0);
    else
        TakeSelection();
}

void CConnectionsItem::OnAction(WPARAM)
{
    collapsed = collapsed ? FALSE : TRUE;
    // The new height reaches the host at its next poll.
    Redraw();
}

// SPDX-License-Identifier: MIT
// CConnectionsItem: painting of the header, the toggle box and the detail blocks.
#include <string.h>

#include "connections/ConnectionsItem.h"
#include "intl/IntlSection.h"
#include "platform/aygshell.h"

namespace {

// Every display line is formatted into this many characters, the terminator included.
const int kLineSize = 64;

const WCHAR kNoConnections[] = TEXT("No active connections");
const WCHAR kActiveConnections[] = TEXT("Active Connections: %u");
const WCHAR kAddressLabel[] = TEXT("IP Address");
const WCHAR kNoAddress[] = TEXT("none");
const WCHAR kTypeLabel[] = TEXT("Type");
const WCHAR kUnknownType[] = TEXT("(Unknown)");
const WCHAR kDestinationLabel[] = TEXT("Connected to");
const WCHAR kUnknownDestination[] = TEXT("unknown");

int Scaled(double k, double factor)
{
    return (int)(k * factor);
}

// Formats into a line buffer, cutting what does not fit; never writes past it.
void FormatLine(WCHAR* line, const WCHAR* format, ...)
{
    va_list args;
    va_start(args, format);
    _vsnwprintf(line, kLineSize, format, args);
    va_end(args);
    line[kLineSize - 1] = 0;
}

// A translated header format must take exactly the count: one integer conversion with
// optional flags, width and precision, and any number of "%%".
bool IsCountFormat(const WCHAR* format)
{
    int conversions = 0;
    for (const WCHAR* p = format; *p; ++p) {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0')
            ++p;
        while (*p >= '0' && *p <= '9')
            ++p;
        if (*p == '.') {
            ++p;
            while (*p >= '0' && *p <= '9')
                ++p;
        }
        if (*p != 'u' && *p != 'd' && *p != 'i')
            return false;
        ++conversions;
    }
    return conversions == 1;
}

// Keeps track of the font a paint found in the device context, to put it back at the end.
class FontSelection {
public:
    explicit FontSelection(HDC dc) : dc(dc), original(NULL) {}
    void Select(HFONT font)
    {
        if (!font)
            return;
        HGDIOBJ previous = SelectObject(dc, font);
        if (!original)
            original = previous;
    }
    void Restore()
    {
        if (original)
            SelectObject(dc, original);
        original = NULL;
    }

private:
    HDC dc;
    HGDIOBJ original;
};

}  // namespace

const WCHAR* CConnectionsItem::MainText(int id, const WCHAR* defaultText)
{
    // LCOV_EXCL_BR_LINE below: Initialize sets the section before a window can paint.
    const WCHAR* text = mainSection ? mainSection->GetText(id, defaultText) : defaultText;  // LCOV_EXCL_BR_LINE
    // An entry the language file left empty has no text: show the built-in one.
    return text ? text : defaultText;
}

void CConnectionsItem::FormatHeader(WCHAR* line, DWORD count)
{
    const WCHAR* format = MainText(2, kActiveConnections);
    if (!IsCountFormat(format))
        format = kActiveConnections;
    FormatLine(line, format, (unsigned)count);
}

void CConnectionsItem::DrawLine(HDC dc, RECT* rect, const WCHAR* line, int height)
{
    DrawTextW(dc, line, -1, rect, DT_LEFT | DT_TOP);
    rect->top += height;
}

void CConnectionsItem::OnPaint(HDC dc, const RECT* rc)
{
    COLORREF color = GetTextColor();

    // Fonts: the system font at the shell's text size (12 pixels when the shell says nothing).
    LOGFONTW font;
    memset(&font, 0, sizeof(font));
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof(font), &font);
    DWORD size = 12;
    SHGetUIMetrics(SHUIM_FONTSIZE_PIXEL, &size, sizeof(size), NULL);
    font.lfHeight = -(LONG)size;
    font.lfWeight = FW_NORMAL;
    normalFont = CreateFontIndirectW(&font);
    normalFontHeight = (int)size;
    font.lfWeight = FW_BOLD;
    boldFont = CreateFontIndirectW(&font);
    int smallSize = (int)size - 2;
    if (smallSize < 10)
        smallSize = 10;
    font.lfHeight = -smallSize;
    font.lfWeight = FW_NORMAL;
    smallFont = CreateFontIndirectW(&font);
    smallFontHeight = smallSize;

    ::SetTextColor(dc, color);
    SetBkMode(dc, TRANSPARENT);

    DWORD count = CountConnected();
    RECT text = {Scaled(28.0, scaleX), Scaled(3.0, scaleY), rc->right - 2, rc->bottom - 2};
    FontSelection fonts(dc);
    fonts.Select(normalFont);
    int iconX = Scaled(2.0, scaleX);
    int iconY = Scaled(2.0, scaleY);

    if (count == 0) {
        if (idleIcon)
            DrawIconEx(dc, iconX, iconY, idleIcon, 0, 0, 0, NULL, DI_NORMAL);
        DrawLine(dc, &text, MainText(1, kNoConnections), normalFontHeight);
        SetRectEmpty(&toggleBox);
    } else {
        if (connectedIcon)
            DrawIconEx(dc, iconX, iconY, connectedIcon, 0, 0, 0, NULL, DI_NORMAL);
        fonts.Select(boldFont);
        WCHAR header[kLineSize];
        FormatHeader(header, count);
        DrawLine(dc, &text, header, normalFontHeight);

        if (!collapsed) {
            fonts.Select(smallFont);
            DrawDetails(dc, &text);
        }

        toggleBox.left = rc->right - Scaled(12.0, scaleX);
        toggleBox.top = rc->top + Scaled(2.0, scaleY);
        toggleBox.right = toggleBox.left + Scaled(10.0, scaleX);
        toggleBox.bottom = toggleBox.top + Scaled(10.0, scaleY);
        RECT face = toggleBox;
        DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH);
        HICON toggleIcon = collapsed ? expandIcon : collapseIcon;
        if (toggleIcon)
            DrawIconEx(dc, toggleBox.left, toggleBox.top, toggleIcon, 0, 0, 0, NULL, DI_NORMAL);
    }

    fonts.Restore();
    HFONT* created[] = {&normalFont, &boldFont, &smallFont};
    for (size_t i = 0; i < sizeof created / sizeof created[0]; ++i) {
        if (*created[i])
            DeleteObject(*created[i]);
        *created[i] = NULL;
    }

    int height = text.top;
    if (height < Scaled(19.0, scaleY))
        height = Scaled(19.0, scaleY);
    SetHeight(height + 1);
}

void CConnectionsItem::DrawDetails(HDC dc, RECT* rect)
{
    FontSelection fonts(dc);
    WCHAR line[kLineSize];
    for (CONNMGR_CONNECTION_DETAILED_STATUS* record = (CONNMGR_CONNECTION_DETAILED_STATUS*)statusBuffer;
         record; record = record->pNext) {
        if (record->dwConnectionStatus != CONNMGR_STATUS_CONNECTED)
            continue;
        rect->top += 3;

        if (record->szDescription) {
            fonts.Select(boldFont);
            DrawLine(dc, rect, record->szDescription, normalFontHeight);
            fonts.Select(normalFont);
        }

        // Only the first address is shown, read as IPv4 whatever its family.
        line[0] = 0;
        const WCHAR* label = MainText(3, kAddressLabel);
        if (record->pIPAddr && record->pIPAddr->cIPAddr > 0) {
            const BYTE* address = record->pIPAddr->IPAddr[0].sin_addr;
            FormatLine(line, TEXT("%ls: %u.%u.%u.%u"), label, (unsigned)address[0], (unsigned)address[1],
                       (unsigned)address[2], (unsigned)address[3]);
        }
        if (line[0] == 0)
            FormatLine(line, TEXT("%ls: (%ls)"), label, MainText(4, kNoAddress));
        fonts.Select(smallFont);
        DrawLine(dc, rect, line, smallFontHeight);

        const WCHAR* type = typeNames.GetName(record->dwType, record->dwSubtype);
        FormatLine(line, TEXT("%ls: %ls"), MainText(5, kTypeLabel), type ? type : kUnknownType);
        DrawLine(dc, rect, line, smallFontHeight);

        CONNMGR_DESTINATION_INFO* destination = FindDestination(record->guidDestNet);
        label = MainText(6, kDestinationLabel);
        if (destination)
            FormatLine(line, TEXT("%ls: %ls"), label, destination->szDescription);
        else
            FormatLine(line, TEXT("%ls: (%ls)"), label, MainText(7, kUnknownDestination));
        DrawLine(dc, rect, line, smallFontHeight);

        rect->top += normalFontHeight / 4;
    }
}

// SPDX-License-Identifier: MIT
// CTypeNames: the naming table of connection types and subtypes, and its lookup.
#include "connections/TypeNames.h"

#include <string.h>

#include "intl/IntlEmptySection.h"
#include "intl/IntlTable.h"
#include "platform/connmgr.h"

namespace {

struct NameRow {
    DWORD type;
    DWORD subtype;  // 0: the type's own row
    int number;     // in section "ConnType"
    const WCHAR* defaultText;
};

// The number of a type is a multiple of 100 and its subtypes follow it, except that the
// modem's subtypes skip 2, so 3 to 9 take 402 to 408.
const NameRow kNames[] = {
    {CM_CONNTYPE_CELLULAR, 0, 100, TEXT("Cellular")},
    {CM_CONNTYPE_CELLULAR, 1, 101, TEXT("CSD")},
    {CM_CONNTYPE_CELLULAR, 2, 102, TEXT("GPRS")},
    {CM_CONNTYPE_CELLULAR, 3, 103, TEXT("1xRTT")},
    {CM_CONNTYPE_CELLULAR, 4, 104, TEXT("1xEVDO")},
    {CM_CONNTYPE_CELLULAR, 5, 105, TEXT("1xEVDV")},
    {CM_CONNTYPE_CELLULAR, 6, 106, TEXT("EDGE")},
    {CM_CONNTYPE_CELLULAR, 7, 107, TEXT("3G/UMTS")},
    {CM_CONNTYPE_CELLULAR, 8, 108, TEXT("Voice")},
    {CM_CONNTYPE_CELLULAR, 9, 109, TEXT("Voice/PTT")},
    {CM_CONNTYPE_CELLULAR, 10, 110, TEXT("3G/HSDPA")},
    {CM_CONNTYPE_NIC, 0, 200, TEXT("Network card")},
    {CM_CONNTYPE_NIC, 1, 201, TEXT("Ethernet")},
    {CM_CONNTYPE_NIC, 2, 202, TEXT("WiFi")},
    {CM_CONNTYPE_BLUETOOTH, 0, 300, TEXT("Bluetooth")},
    {CM_CONNTYPE_UNIMODEM, 0, 400, TEXT("Modem")},
    {CM_CONNTYPE_UNIMODEM, 1, 401, TEXT("CSD")},
    {CM_CONNTYPE_UNIMODEM, 3, 402, TEXT("Null Modem")},
    {CM_CONNTYPE_UNIMODEM, 4, 403, TEXT("Ext Modem")},
    {CM_CONNTYPE_UNIMODEM, 5, 404, TEXT("Int Modem")},
    {CM_CONNTYPE_UNIMODEM, 6, 405, TEXT("PCMCIA Modem")},
    {CM_CONNTYPE_UNIMODEM, 7, 406, TEXT("Infrared")},
    {CM_CONNTYPE_UNIMODEM, 8, 407, TEXT("Dynamic")},
    {CM_CONNTYPE_UNIMODEM, 9, 408, TEXT("Dyn. Port")},
    {CM_CONNTYPE_VPN, 0, 500, TEXT("VPN")},
    {CM_CONNTYPE_VPN, 1, 501, TEXT("L2TP")},
    {CM_CONNTYPE_VPN, 2, 502, TEXT("PPTP")},
    {CM_CONNTYPE_PROXY, 0, 600, TEXT("Proxy")},
    {CM_CONNTYPE_PROXY, 1, 601, TEXT("Direct")},
    {CM_CONNTYPE_PROXY, 2, 602, TEXT("HTTP")},
    {CM_CONNTYPE_PROXY, 3, 603, TEXT("WAP")},
    {CM_CONNTYPE_PROXY, 4, 604, TEXT("SOCKS4")},
    {CM_CONNTYPE_PROXY, 5, 605, TEXT("SOCKS5")},
    {CM_CONNTYPE_PC, 0, 700, TEXT("PC")},
    {CM_CONNTYPE_PC, 1, 701, TEXT("Passthrough")},
    {CM_CONNTYPE_PC, 2, 702, TEXT("Infrared")},
    {CM_CONNTYPE_PC, 3, 703, TEXT("Modem link")},
};

const int kUnknownNumber = 800;
const WCHAR* const kUnknownText = TEXT("(Unknown)");

const NameRow* FindRow(DWORD type, DWORD subtype)
{
    for (size_t i = 0; i < sizeof kNames / sizeof kNames[0]; ++i) {
        if (kNames[i].type == type && kNames[i].subtype == subtype)
            return &kNames[i];
    }
    return NULL;
}

// Copies as much of source as fits before limit; returns the new end.
int CopyCut(WCHAR* out, int at, int limit, const WCHAR* source)
{
    int length = lstrlenW(source);
    if (length > limit - at)
        length = limit - at;
    memcpy(out + at, source, static_cast<size_t>(length) * sizeof(WCHAR));
    return at + length;
}

}  // namespace

CTypeNames::CTypeNames() : section(NULL)
{
    memset(text, 0, sizeof text);
}

DWORD CTypeNames::Attach(CIntlTable* table)
{
    if (!table)
        return ERROR_INVALID_PARAMETER;
    section = table->FindSection(TEXT("ConnType"));
    return ERROR_SUCCESS;
}

const WCHAR* CTypeNames::GetName(DWORD type, DWORD subtype)
{
    if (!section)
        section = CIntlEmptySection::Get();
    // Only the types 1 to 7 have rows; every other code is unknown.
    const NameRow* typeRow = FindRow(type, 0);
    if (!typeRow)
        return section->GetText(kUnknownNumber, kUnknownText);

    const WCHAR* typeText = section->GetText(typeRow->number, typeRow->defaultText);
    // Subtype 0 is the type's own row, never a subtype of its own.
    const NameRow* subtypeRow = subtype != 0 ? FindRow(type, subtype) : NULL;
    const WCHAR* subtypeText = subtypeRow ? section->GetText(subtypeRow->number, subtypeRow->defaultText) : NULL;

    if (!typeText)
        return section->GetText(kUnknownNumber, kUnknownText);
    if (!subtypeText)
        return typeText;

    // "type/subtype", cut to the buffer when a translation makes it too long.
    const int limit = kTextSize - 1;
    int end = CopyCut(text, 0, limit, typeText);
    end = CopyCut(text, end, limit, TEXT("/"));
    end = CopyCut(text, end, limit, subtypeText);
    text[end] = 0;
    return text;
}

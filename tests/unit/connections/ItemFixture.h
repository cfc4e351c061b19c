// SPDX-License-Identifier: MIT
// Fixture for the connection item: a fresh device, a fake host, language texts and a GDI log.
#ifndef LINKORY_TESTS_UNIT_CONNECTIONS_ITEMFIXTURE_H
#define LINKORY_TESTS_UNIT_CONNECTIONS_ITEMFIXTURE_H

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "connections/ConnectionsItem.h"
#include "intl/IntlTable.h"
#include "sim/aygshell/SimAygshell.h"
#include "sim/cellcore/SimConnMgr.h"
#include "support/FakeHost.h"
#include "support/GdiLog.h"
#include "support/SimFixture.h"
#include "support/TestFiles.h"
#include "unit/connections/ConnMgrSeam.h"

namespace cm = sim::cellcore;

// A connected connection; the description may be null.
inline cm::Connection Connected(const char16_t* description, std::vector<cm::Address> addresses = {},
                                DWORD type = CM_CONNTYPE_CELLULAR, DWORD subtype = CM_CONNSUBTYPE_CELLULAR_GPRS,
                                GUID destination = cm::kDestInternet)
{
    cm::Connection c;
    if (description)
        c.description = std::u16string(description);
    c.addresses = std::move(addresses);
    c.type = type;
    c.subtype = subtype;
    c.status = CONNMGR_STATUS_CONNECTED;
    c.destination = destination;
    return c;
}

inline cm::Connection WithStatus(cm::Connection c, DWORD status)
{
    c.status = status;
    return c;
}

class ItemFixture : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        // As at a load of the library: the device forgot its classes.
        CBasicWnd::UnregisterWindowClass();
        seam::reset();
        host.reset(new FakeHost());
    }

    void TearDown() override
    {
        log.Stop();
        Forget();
        host.reset();
        CBasicWnd::UnregisterWindowClass();
        SimFixture::TearDown();
    }

    // A language table read from a file of these UTF-8 lines ('\n' separated).
    void UseLanguage(const std::string& lines)
    {
        folder.WriteLanguage("Linkory.0409.intl", lines);
        table = new (std::nothrow) CIntlTable();
        ASSERT_NE(table, nullptr);
        ASSERT_EQ(table->LoadFile(folder.WidePathOf("Linkory.0409.intl").c_str()), 0u);
    }

    // The item with its window in the host, 240 x height at the host's origin.
    void Make(int height = 200)
    {
        item = new (std::nothrow) CConnectionsItem();
        ASSERT_NE(item, nullptr);
        window = item->Initialize(instance, &host->Record(), host->Window(), table);
        ASSERT_NE(window, (HWND)NULL);
        MoveWindow(window, 0, 0, 240, height, FALSE);
        UpdateWindow(window);
    }

    // Deletes the item, and its language table unless `keepTable`, before the next case.
    void Forget(bool keepTable = false)
    {
        delete item;
        item = nullptr;
        if (!keepTable) {
            delete table;
            table = nullptr;
        }
    }

    // Repaints the whole item now; `log` holds what it drew.
    void Paint()
    {
        log.Start(window);
        InvalidateRect(window, NULL, TRUE);
        UpdateWindow(window);
        log.Stop();
    }

    // The item's height as the host learns it at a poll.
    DWORD PolledHeight()
    {
        host->Poll(window);
        return host->Record().cyp;
    }

    HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x20000));
    std::unique_ptr<FakeHost> host;
    TempFolder folder;
    CIntlTable* table = nullptr;
    CConnectionsItem* item = nullptr;
    HWND window = NULL;
    GdiLog log;
};

#endif  // LINKORY_TESTS_UNIT_CONNECTIONS_ITEMFIXTURE_H

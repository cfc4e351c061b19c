// SPDX-License-Identifier: MIT
// Fixture for the connection item: a fresh device, a fake host, language texts and a GDI log.
#ifndef LINKORY_TESTS_UNIT_CONNECTIONS_ITEMFIXTURE_H
#define LINKORY_TESTS_UNIT_CONNECTIONS_ITEMFIXTURE_H

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "connections/ConnectionsItem.h"
#include "intl/IntlTable.h"
#include "sim/aygshell/SimAygshell.h"
#include "sim/cellcore/SimConnMgr.h"
#include "sim/coredll/SimGdi.h"
#include "sim/coredll/SimUser.h"
#include "support/FakeHost.h"
#include "support/SimFixture.h"
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
        std::string pattern = (std::filesystem::temp_directory_path() / "linkory-item-XXXXXX").string();
        folder = mkdtemp(pattern.data()) ? pattern : std::string();
    }

    void TearDown() override
    {
        StopRecording();
        delete item;
        item = nullptr;
        delete table;
        table = nullptr;
        host.reset();
        CBasicWnd::UnregisterWindowClass();
        std::error_code ignored;
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
        EXPECT_EQ(sim::user::live_windows(), 0u) << "windows left behind";
        SimFixture::TearDown();
    }

    // A language table read from a file of these UTF-8 lines ('\n' separated).
    void UseLanguage(const std::string& lines)
    {
        std::u16string units = u"\xFEFF" + Wide(lines);
        std::string bytes;
        for (char16_t unit : units) {
            if (unit == u'\n')
                bytes += std::string("\r\0", 2);
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
        std::string path = folder + "/Linkory.0409.intl";
        std::ofstream(path, std::ios::binary) << bytes;
        table = new (std::nothrow) CIntlTable();
        ASSERT_NE(table, nullptr);
        ASSERT_EQ(table->LoadFile(Wide(path).c_str()), 0u);
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

    // Starts logging the GDI calls made on the item window's contexts.
    void Record()
    {
        calls.clear();
        subscription = sim::gdi::subscribe([this](const sim::gdi::GdiCall& call) {
            if (call.owner == window && window != NULL)
                calls.push_back(call);
        });
    }

    void StopRecording()
    {
        if (subscription >= 0)
            sim::gdi::unsubscribe(subscription);
        subscription = -1;
    }

    // Repaints the whole item now and returns what it drew.
    std::vector<sim::gdi::GdiCall> Paint()
    {
        Record();
        InvalidateRect(window, NULL, TRUE);
        UpdateWindow(window);
        StopRecording();
        return calls;
    }

    static std::vector<sim::gdi::GdiCall> Only(const std::vector<sim::gdi::GdiCall>& all, const char* api)
    {
        std::vector<sim::gdi::GdiCall> out;
        for (const sim::gdi::GdiCall& call : all)
            if (std::string(call.api) == api)
                out.push_back(call);
        return out;
    }

    static std::vector<std::u16string> Texts(const std::vector<sim::gdi::GdiCall>& all)
    {
        std::vector<std::u16string> out;
        for (const sim::gdi::GdiCall& call : Only(all, "DrawTextW"))
            out.push_back(call.text);
        return out;
    }

    static std::u16string Wide(const std::string& utf8)
    {
        std::u16string wide(utf8.size(), u'\0');
        int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                    static_cast<int>(wide.size()));
        wide.resize(n > 0 ? n : 0);
        return wide;
    }

    // The item's height as the host learns it at a poll.
    DWORD PolledHeight()
    {
        host->Poll(window);
        return host->Record().cyp;
    }

    HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x20000));
    std::unique_ptr<FakeHost> host;
    CIntlTable* table = nullptr;
    CConnectionsItem* item = nullptr;
    HWND window = NULL;
    std::vector<sim::gdi::GdiCall> calls;
    int subscription = -1;
    std::string folder;
};

#endif  // LINKORY_TESTS_UNIT_CONNECTIONS_ITEMFIXTURE_H

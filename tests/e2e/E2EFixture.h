// SPDX-License-Identifier: MIT
// Linkory.dll in the simulated Today host: loading, driving and watching the real library.
#ifndef LINKORY_TESTS_E2E_E2EFIXTURE_H
#define LINKORY_TESTS_E2E_E2EFIXTURE_H

#include <filesystem>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "sim/aygshell/SimAygshell.h"
#include "sim/cellcore/SimConnMgr.h"
#include "sim/coredll/SimKernel.h"
#include "sim/coredll/SimUser.h"
#include "sim/loader/SimLoader.h"
#include "sim/today/Host.h"
#include "sim/today/SimLeftovers.h"
#include "support/GdiLog.h"
#include "support/SimFixture.h"
#include "support/TestFiles.h"

namespace cm = sim::cellcore;

inline cm::Connection Up(const char16_t* description, std::vector<cm::Address> addresses = {})
{
    cm::Connection c;
    c.description = std::u16string(description);
    c.addresses = std::move(addresses);
    c.type = CM_CONNTYPE_CELLULAR;
    c.subtype = CM_CONNSUBTYPE_CELLULAR_GPRS;
    c.status = CONNMGR_STATUS_CONNECTED;
    c.destination = cm::kDestInternet;
    return c;
}

// Collects what the host reports: the leftovers of unloads, and a hook on poll answers.
class E2EListener : public sim::today::HostListener {
public:
    void poll(size_t item, BOOL answer, DWORD cyp) override
    {
        if (onPoll)
            onPoll(item, answer, cyp);
    }
    void request(const char* message, WPARAM wParam, LPARAM, LRESULT) override
    {
        requests.push_back(std::string(message) + " " + std::to_string(wParam));
    }
    void unloaded(size_t, const std::vector<std::string>& left) override
    {
        leftovers.insert(leftovers.end(), left.begin(), left.end());
    }

    std::function<void(size_t, BOOL, DWORD)> onPoll;
    std::vector<std::string> leftovers;
    std::vector<std::string> requests;  // "TODAYM_GETCOLOR 268435460": name and wParam
};

class E2EFixture : public SimFixture {
protected:
    void TearDown() override
    {
        log.Stop();
        host.reset();
        EXPECT_EQ(listener.leftovers, std::vector<std::string>{}) << "the library left things behind";
        EXPECT_EQ(sim::loader::loaded_modules(), 0u);
        EXPECT_EQ(sim::user::live_classes(), 0u);
        SimFixture::TearDown();
    }

    // The Today window, as large as the screen.
    void StartHost()
    {
        host = std::make_unique<sim::today::Host>(&listener, &leftovers);
        ASSERT_EQ(host->create(), DWORD(ERROR_SUCCESS));
    }

    // Loads the library (the built one unless a copy is named) as the next item.
    size_t Load(const std::string& path = LINKORY_DLL_PATH, BOOL enabled = TRUE)
    {
        if (!host)
            StartHost();
        size_t index = 99;
        EXPECT_EQ(host->load(Wide(path).c_str(), u"Linkory", enabled, &index), DWORD(ERROR_SUCCESS));
        return index;
    }

    HWND Window(size_t item = 0) { return host->record(item)->hwndCustom; }
    DWORD Height(size_t item = 0) { return host->record(item)->cyp; }

    // A copy of the library in a folder of its own, for language files beside it.
    std::string CopyLibrary()
    {
        const TempFolder& folder = folders.emplace_back();
        std::filesystem::copy_file(LINKORY_DLL_PATH, folder.PathOf("Linkory.dll"));
        return folder.PathOf("Linkory.dll");
    }

    // Logs the GDI calls made on the first item's window from now on.
    void Record() { log.Start(Window()); }
    std::vector<sim::gdi::GdiCall> Only(const char* api) const { return log.Only(api); }
    std::vector<std::u16string> Texts() const { return log.Texts(); }

    E2EListener listener;
    sim::today::SimLeftovers leftovers;
    std::unique_ptr<sim::today::Host> host;
    std::list<TempFolder> folders;
    GdiLog log;
};

#endif  // LINKORY_TESTS_E2E_E2EFIXTURE_H

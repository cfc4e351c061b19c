// SPDX-License-Identifier: MIT
// Linkory.dll in the simulated Today host: loading, driving and watching the real library.
#ifndef LINKORY_TESTS_E2E_E2EFIXTURE_H
#define LINKORY_TESTS_E2E_E2EFIXTURE_H

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/aygshell/SimAygshell.h"
#include "sim/cellcore/SimConnMgr.h"
#include "sim/coredll/SimGdi.h"
#include "sim/coredll/SimKernel.h"
#include "sim/coredll/SimUser.h"
#include "sim/loader/SimLoader.h"
#include "sim/today/Host.h"
#include "sim/today/SimLeftovers.h"
#include "support/SimFixture.h"

namespace cm = sim::cellcore;

inline cm::Connection Up(const char16_t* description, std::vector<cm::Address> addresses = {},
                         GUID destination = cm::kDestInternet)
{
    cm::Connection c;
    if (description)
        c.description = std::u16string(description);
    c.addresses = std::move(addresses);
    c.type = CM_CONNTYPE_CELLULAR;
    c.subtype = CM_CONNSUBTYPE_CELLULAR_GPRS;
    c.status = CONNMGR_STATUS_CONNECTED;
    c.destination = destination;
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
    void unloaded(size_t, const std::vector<std::string>& left) override
    {
        leftovers.insert(leftovers.end(), left.begin(), left.end());
    }

    std::function<void(size_t, BOOL, DWORD)> onPoll;
    std::vector<std::string> leftovers;
};

class E2EFixture : public SimFixture {
protected:
    void TearDown() override
    {
        StopRecording();
        host.reset();
        EXPECT_EQ(listener.leftovers, std::vector<std::string>{}) << "the library left things behind";
        EXPECT_EQ(sim::loader::loaded_modules(), 0u);
        EXPECT_EQ(sim::user::live_windows(), 0u);
        EXPECT_EQ(sim::user::live_classes(), 0u);
        std::error_code ignored;
        for (const std::string& folder : folders)
            std::filesystem::remove_all(folder, ignored);
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
        std::u16string wide(path.begin(), path.end());
        EXPECT_EQ(host->load(wide.c_str(), u"Linkory", enabled, &index), DWORD(ERROR_SUCCESS));
        return index;
    }

    HWND Window(size_t item = 0) { return host->record(item)->hwndCustom; }
    DWORD Height(size_t item = 0) { return host->record(item)->cyp; }

    // A new folder holding a copy of the library, for language files beside it.
    std::string CopyLibrary()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "linkory-e2e-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return std::string();
        folders.push_back(pattern);
        std::filesystem::copy_file(LINKORY_DLL_PATH, pattern + "/Linkory.dll");
        return pattern + "/Linkory.dll";
    }

    // Writes a language file beside the last copy of the library, from '\n'-separated ASCII.
    void WriteLanguage(const std::string& name, const std::string& lines)
    {
        const std::string& folder = folders.back();
        std::string bytes = "\xFF\xFE";
        for (char c : lines) {
            if (c == '\n')
                bytes += std::string("\r\0", 2);
            bytes += c;
            bytes += '\0';
        }
        std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
    }

    // Logs the GDI calls made on the first item's window from now on.
    void Record()
    {
        StopRecording();
        calls.clear();
        HWND item = Window();
        subscription = sim::gdi::subscribe([this, item](const sim::gdi::GdiCall& call) {
            if (call.owner == item)
                calls.push_back(call);
        });
    }

    void StopRecording()
    {
        if (subscription >= 0)
            sim::gdi::unsubscribe(subscription);
        subscription = -1;
    }

    std::vector<sim::gdi::GdiCall> Only(const char* api) const
    {
        std::vector<sim::gdi::GdiCall> out;
        for (const sim::gdi::GdiCall& call : calls)
            if (std::string(call.api) == api)
                out.push_back(call);
        return out;
    }

    std::vector<std::u16string> Texts() const
    {
        std::vector<std::u16string> out;
        for (const sim::gdi::GdiCall& call : Only("DrawTextW"))
            out.push_back(call.text);
        return out;
    }

    E2EListener listener;
    sim::today::SimLeftovers leftovers;
    std::unique_ptr<sim::today::Host> host;
    std::vector<sim::gdi::GdiCall> calls;
    int subscription = -1;
    std::vector<std::string> folders;
};

#endif  // LINKORY_TESTS_E2E_E2EFIXTURE_H

// SPDX-License-Identifier: MIT
// A fresh device with a Today host that records what it did, for the host tests.
#ifndef LINKORY_TESTS_SIM_TODAY_HOSTFIXTURE_H
#define LINKORY_TESTS_SIM_TODAY_HOSTFIXTURE_H

#include <memory>
#include <string>
#include <vector>

#include "data/testplugin/Probe.h"
#include "sim/today/Host.h"
#include "sim/today/SimLeftovers.h"
#include "support/SimFixture.h"

// Turns the host's events into short lines: "poll 0 1 24", "resize 1 0,24,240,48", ...
class RecordingListener : public sim::today::HostListener {
public:
    std::vector<std::string> lines;

    void loaded(size_t item, const TODAYLISTITEM& record) override
    {
        lines.push_back("loaded " + std::to_string(item) + (record.hwndCustom ? " window" : " none"));
    }
    void poll(size_t item, BOOL answer, DWORD cyp) override
    {
        lines.push_back("poll " + std::to_string(item) + " " + std::to_string(answer) + " " + std::to_string(cyp));
    }
    void resize(size_t item, const RECT& r) override
    {
        lines.push_back("resize " + std::to_string(item) + " " + std::to_string(r.left) + "," + std::to_string(r.top) +
                        "," + std::to_string(r.right) + "," + std::to_string(r.bottom));
    }
    void request(const char* message, WPARAM wParam, LPARAM, LRESULT answer) override
    {
        lines.push_back(std::string(message) + " " + std::to_string(wParam) + " -> " + std::to_string(answer));
    }
    void selection(size_t item, bool selected) override
    {
        lines.push_back("selection " + std::to_string(item) + (selected ? " on" : " off"));
    }
    void unloaded(size_t item, const std::vector<std::string>& leftovers) override
    {
        std::string line = "unloaded " + std::to_string(item);
        for (const std::string& leftover : leftovers)
            line += "; " + leftover;
        lines.push_back(line);
    }

    std::vector<std::string> take()
    {
        std::vector<std::string> out;
        out.swap(lines);
        return out;
    }
};

class HostFixture : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        testplugin::probe() = testplugin::Probe{};
        host = std::make_unique<sim::today::Host>(&listener, &leftovers);
        ASSERT_EQ(host->create(240, 320), DWORD(ERROR_SUCCESS));
    }

    void TearDown() override
    {
        host.reset();
        SimFixture::TearDown();
    }

    // Loads the test plug-in as the next item; returns its index.
    size_t LoadItem(BOOL enabled = TRUE)
    {
        size_t index = 99;
        std::string path = TESTPLUGIN_PATH;
        EXPECT_EQ(host->load(std::u16string(path.begin(), path.end()).c_str(), u"Test item", enabled, &index),
                  DWORD(ERROR_SUCCESS));
        return index;
    }

    // The probe's events that are not paint traffic, which the tests of input check apart.
    static std::vector<std::string> WithoutPaint(const std::vector<std::string>& events)
    {
        std::vector<std::string> out;
        for (const std::string& e : events)
            if (e.find(":erase") == std::string::npos && e.find(":paint") == std::string::npos &&
                e.find(":color") == std::string::npos)
                out.push_back(e);
        return out;
    }

    RecordingListener listener;
    sim::today::SimLeftovers leftovers;
    std::unique_ptr<sim::today::Host> host;
};

#endif

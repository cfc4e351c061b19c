// SPDX-License-Identifier: MIT
// Linkory.dll copied into a folder of its own and loaded by the Today host, for the sweeps,
// the soak and the hostile language files.
#ifndef LINKORY_TESTS_RELIABILITY_RELIABILITYFIXTURE_H
#define LINKORY_TESTS_RELIABILITY_RELIABILITYFIXTURE_H

#include <memory>
#include <string>
#include <vector>

#include "sim/cellcore/SimConnMgr.h"
#include "sim/today/Host.h"
#include "sim/today/SimLeftovers.h"
#include "support/SimFixture.h"

namespace reliability {

// What is alive on the device: what an unload must bring back to where the load began.
struct LiveCounts {
    size_t heapBlocks;
    size_t heapBytes;
    size_t gdiObjects;
    size_t icons;
    size_t windows;
    size_t dcs;
    size_t files;
    bool operator==(const LiveCounts& o) const;
};
LiveCounts Live();
std::string Describe(const LiveCounts& counts);

// Collects what the host reports about unloads.
class LeftoverListener : public sim::today::HostListener {
public:
    void unloaded(size_t item, const std::vector<std::string>& left) override;
    std::vector<std::string> leftovers;
};

// UTF-16LE bytes with the byte-order mark in front.
std::string Utf16File(const std::u16string& text);

}  // namespace reliability

class ReliabilityFixture : public SimFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    void StartHost();
    // Loads the copy of the library as the next item; returns its index.
    size_t Load();
    // Writes a file beside the copy of the library.
    void WriteFile(const std::string& name, const std::string& bytes);
    void RemoveFile(const std::string& name);

    // The item window the library handed out last, or null.
    HWND Window() const;
    // Lets pending paints happen, forgets their texts, then has the item window paint once.
    void PaintItem();
    // The action key, sent straight to the item window (it toggles the detail block).
    void Toggle();
    // DrawTextW texts drawn on windows other than the Today window since the last call.
    std::vector<std::u16string> TakeTexts();

    std::string folder;
    std::string dllPath;
    reliability::LeftoverListener listener;
    sim::today::SimLeftovers leftovers;
    std::unique_ptr<sim::today::Host> host;

private:
    int subscription = -1;
    std::vector<std::u16string> texts;
};

#endif  // LINKORY_TESTS_RELIABILITY_RELIABILITYFIXTURE_H

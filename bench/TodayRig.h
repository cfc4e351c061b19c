// SPDX-License-Identifier: MIT
// A minimal Today host around the real Linkory.dll, with a Connection Manager of a chosen size.
//
// The rig boots a fresh simulated device, loads Linkory.dll from the executable's folder
// with LoadLibraryW, creates a Today window that answers the item's requests without
// creating GDI objects of its own, and initializes the item through ordinal 240. It then
// behaves as the host does: a poll that answers TRUE resizes the item to the height in
// the record and lets it repaint.
#ifndef LINKORY_BENCH_TODAYRIG_H
#define LINKORY_BENCH_TODAYRIG_H

#include <string>

#include "platform/todaycmn.h"
#include "sim/cellcore/SimConnMgr.h"

namespace bench {

// `destinations` destinations and `connections` connections, of which the first
// `connected` are connected and the rest disconnected. Every connection leads to the last
// destination, so finding it walks the whole destination list.
sim::cellcore::Model make_model(int destinations, int connections, int connected);

class TodayRig {
public:
    // Boots, loads and initializes; ok() says whether all of it worked.
    TodayRig(int destinations, int connections);
    ~TodayRig();

    bool ok() const { return error.empty(); }
    const std::string& failure() const { return error; }

    // The host's poll; a TRUE answer is followed by the host's resize and repaint.
    BOOL Poll();
    // The host's action key: the item toggles its detail block and repaints.
    void Action();
    // The window is invalidated whole and repainted now (erase, then paint).
    void Paint();
    // Replaces the Connection Manager's model with `connected` of the connections up.
    void SetConnected(int connected);

    HWND Item() const { return item; }
    const TODAYLISTITEM& Record() const { return record; }
    // Device misuse recorded since the rig started, one per line; empty when none.
    std::string Violations();

    TodayRig(const TodayRig&) = delete;
    TodayRig& operator=(const TodayRig&) = delete;

private:
    void Fail(const std::string& what);
    void Layout();

    int destinations;
    int connections;
    HMODULE module = nullptr;
    HWND host = nullptr;
    HWND item = nullptr;
    TODAYLISTITEM record{};
    std::string error;
};

// The folder of the running executable, with a trailing slash.
std::string executable_folder();

}  // namespace bench

#endif

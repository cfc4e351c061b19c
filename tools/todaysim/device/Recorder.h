// SPDX-License-Identifier: MIT
// Turns what the simulated device observes (window-procedure calls, GDI calls on the item's
// device contexts, API misuse) into the run's events, in the order they happen.
#ifndef LINKORY_TOOLS_TODAYSIM_RECORDER_H
#define LINKORY_TOOLS_TODAYSIM_RECORDER_H

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tools/todaysim/show/Event.h"
#include "tools/todaysim/show/TraceWriter.h"

namespace sim::gdi {
struct GdiCall;
}
namespace sim::user {
struct MessageCall;
}

namespace todaysim {

class Recorder {
public:
    // Observes from now on; the item is the first child window the host gets.
    Recorder(EventLog& log, HWND host);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    HWND item() const { return item_; }
    // Moves violations recorded so far into the log, each also handed back as "Api: what".
    std::vector<std::string> collect_violations();

private:
    void on_message(const sim::user::MessageCall& call);
    void on_gdi(const sim::gdi::GdiCall& call);

    EventLog& log_;
    HWND host_;
    HWND item_ = nullptr;
    int width_ = -1, height_ = -1;  // the item's size as last announced
    int message_observer_ = -1;
    int gdi_subscriber_ = -1;
};

// "WM_PAINT", "TODAYM_GETCOLOR", ... or "0x0123" for a message without a name here.
std::string message_name(UINT msg);

}  // namespace todaysim

#endif

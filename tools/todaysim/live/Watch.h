// SPDX-License-Identifier: MIT
// The live modes of todaysim: after the steps the host keeps polling the item at its
// interval, the view follows every repaint, and keys, clicks and signals reach the host.
#ifndef LINKORY_TOOLS_TODAYSIM_WATCH_H
#define LINKORY_TOOLS_TODAYSIM_WATCH_H

#include <csignal>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "sim/today/Host.h"
#include "tools/todaysim/cli/Options.h"
#include "tools/todaysim/live/LiveView.h"
#include "tools/todaysim/scenario/Scenario.h"
#include "tools/todaysim/show/TraceWriter.h"

namespace todaysim {

// Whether the terminal takes UTF-8: box-drawing characters and symbols, or plain ASCII.
bool unicode_locale();

class ScreenWindow;

// What a watch continues: the host with the item loaded, the run's log and its check for misuse.
struct WatchedRun {
    sim::today::Host* host = nullptr;
    size_t item = 0;
    EventLog* log = nullptr;
    std::function<void()> check_violations;
    std::string about;     // the lines under the view, shown once above it
    std::string language;  // the language file in a few words, for the status line
};

class Watch {
public:
    // Takes what the watch waits on before the plug-in is loaded, so that an end asked for
    // during the steps is still a clean one: SIGINT, SIGTERM and SIGHUP, held from now on and
    // read from a signalfd, and with --window the display (no display is a usage Failure).
    // `live`: the connections are this machine's interfaces.
    Watch(const Options& options, const Device& device, bool live);
    ~Watch();
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    // Polls at the interval until q, one of the signals, a closed window or, when stdout is
    // a pipe, its reader gone.
    void run(const WatchedRun& run);
    // The watch ended because nobody reads stdout any more (`todaysim --watch | head -3`):
    // what is still to be written there has no reader, and that is no failure.
    bool reader_gone() const { return reader_gone_; }

private:
    void run_terminal();
    // Ctrl-Z: the terminal as the shell expects it, then the stop itself.
    void stop(RawTerminal& raw);
    void run_window();
    void poll();
    // Carries out a key; false for quit.
    bool press(LiveKey key);
    void click(int x, int y);
    // After every poll, key and click: misuse, and the views if the item repainted.
    void settle();
    void show();
    void count_connections();
    std::string status() const;

    const Options& options_;
    const bool live_;
    bool terminal_ = false;          // stdout is a terminal
    WatchedRun run_;
    std::unique_ptr<LiveView> view_;
    std::unique_ptr<ScreenWindow> window_;
    int signals_ = -1;               // signalfd
    sigset_t saved_mask_{};
    struct sigaction saved_pipe_{};
    bool reader_gone_ = false;
    unsigned long polls_ = 0;
    size_t seen_ = 0;                // events of the log already looked at
    std::string last_change_ = "-";
    size_t up_ = 0, connections_ = 0;
    std::string screen_;             // "240x320"
};

}  // namespace todaysim

#endif

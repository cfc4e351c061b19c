// SPDX-License-Identifier: MIT
// What every todaysim run does alike in the Today host and the Connection Manager: the
// sequence from the host's window to the unload, the scenario's connections, the steps and
// their events, and the exit status. It needs the host and the Connection Manager, so each
// todaysim compiles it itself rather than taking it from the device-free core.
#ifndef LINKORY_TOOLS_TODAYSIM_STEPPLAYER_H
#define LINKORY_TOOLS_TODAYSIM_STEPPLAYER_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "sim/today/Host.h"
#include "tools/todaysim/device/RunDevice.h"
#include "tools/todaysim/scenario/Scenario.h"
#include "tools/todaysim/show/Event.h"
#include "tools/todaysim/show/TraceWriter.h"

namespace todaysim {

// Puts the scenario's lists into the Connection Manager's model.
void set_connections(const std::vector<Destination>& destinations, const std::vector<Connection>& connections);
// This machine's interfaces as the Connection Manager's connections; the number found.
size_t use_live_connections();

// The one run sequence: the Today host on a device, the plug-in loaded into it, the steps,
// the unload, and the violations and leftovers counted alike for every job that runs it
// (a run, a watch, the translator's check and the Win32 run).
class StepPlayer {
public:
    virtual ~StepPlayer() = default;

protected:
    // What a sequence loads, and what its job does after the steps while the item is still
    // loaded (the picture, the watch, the check's measuring).
    struct Sequence {
        std::string dll;     // as the user named it, for the load event and errors
        std::string staged;  // the copy that is loaded
        const Scenario* scenario = nullptr;
        std::function<void()> after_steps;
    };
    // Runs the sequence on `device` and returns what the host found left behind at unload.
    // Throws a run Failure when the host cannot be made or the plug-in cannot be loaded.
    std::vector<std::string> run_sequence(RunDevice& device, const Sequence& sequence);
    // Prints every leftover; the number of them.
    static size_t report_leftovers(const std::vector<std::string>& leftovers);
    // Reports what was left behind and returns the exit status of a run that got this far.
    int finish(const std::vector<std::string>& leftovers) const;
    // Logs the misuse the device noticed since the last check and counts it in violations_.
    void check_violations();

    // A tap step: `event` has its index and name; the tap completes and adds it. A tap without
    // a point goes to the middle of the toggle box the last paint drew.
    virtual void tap(Event event, const Step& step);
    // A png step; the whole screen.
    virtual void write_picture(const std::string& path);

    EventLog log_;
    RunDevice* device_ = nullptr;
    sim::today::Host* host_ = nullptr;
    size_t item_ = 0;
    size_t violations_ = 0;

private:
    // The scenario's connections, or this machine's for a run without a scenario.
    void start_connections(const Scenario& scenario);
    // The load event for the item just loaded.
    void log_load(const std::string& dll, bool window);
    // The scenario's steps, or the default script, each followed by a check for misuse.
    void play_steps(const Scenario& scenario);
    void play(size_t index, const Step& step);

    std::vector<Destination> destinations_;
    std::vector<Connection> connections_;
};

}  // namespace todaysim

#endif

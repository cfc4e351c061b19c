// SPDX-License-Identifier: MIT
// What every todaysim run does alike in the Today host and the Connection Manager: the
// scenario's connections, the steps and their events, the load event and the exit status.
// It needs the host and the Connection Manager, so each todaysim compiles it itself rather
// than taking it from the device-free core.
#ifndef LINKORY_TOOLS_TODAYSIM_STEPPLAYER_H
#define LINKORY_TOOLS_TODAYSIM_STEPPLAYER_H

#include <cstddef>
#include <string>
#include <vector>

#include "sim/today/Host.h"
#include "tools/todaysim/scenario/Scenario.h"
#include "tools/todaysim/show/Event.h"
#include "tools/todaysim/show/TraceWriter.h"

namespace todaysim {

// Puts the scenario's lists into the Connection Manager's model.
void set_connections(const std::vector<Destination>& destinations, const std::vector<Connection>& connections);
// This machine's interfaces as the Connection Manager's connections; the number found.
size_t use_live_connections();

// A run's steps; each build says how a tap finds its point, how the screen is pictured and
// how misuse of the device is collected.
class StepPlayer {
public:
    virtual ~StepPlayer() = default;

protected:
    // The scenario's connections, or this machine's for a run without a scenario.
    void start_connections(const Scenario& scenario);
    // The load event for the item just loaded.
    void log_load(const std::string& dll, bool window);
    // The scenario's steps, or the default script, each followed by a check for misuse.
    void play_steps(const Scenario& scenario);
    // Reports what was left behind and returns the exit status of a run that got this far.
    int finish(const std::vector<std::string>& leftovers) const;

    // A tap step: `event` has its index and name; the tap completes and adds it.
    virtual void tap(Event event, const Step& step) = 0;
    virtual void write_picture(const std::string& path) = 0;
    // A gdi_fails_from or heap_fails_from step: from its n-th call on (counted from the step)
    // every such call of the device fails, until a step with null or the end of the run.
    virtual void run_short(const Step& step) = 0;
    // Logs the misuse recorded since the last check and counts it in violations_.
    virtual void check_violations() = 0;

    EventLog log_;
    sim::today::Host* host_ = nullptr;
    size_t item_ = 0;
    size_t violations_ = 0;

private:
    void play(size_t index, const Step& step);

    std::vector<Destination> destinations_;
    std::vector<Connection> connections_;
};

}  // namespace todaysim

#endif

// SPDX-License-Identifier: MIT
// The simulated device under the run sequence: its recorders see every message and drawing
// call, its loader says why a load failed, and its heap, GDI, windows and icons are counted.
#ifndef LINKORY_TOOLS_TODAYSIM_DEVICE_SIMRUNDEVICE_H
#define LINKORY_TOOLS_TODAYSIM_DEVICE_SIMRUNDEVICE_H

#include <memory>

#include "sim/today/SimLeftovers.h"
#include "tools/todaysim/device/Device.h"
#include "tools/todaysim/device/Recorder.h"
#include "tools/todaysim/device/RunDevice.h"

namespace todaysim {

class SimRunDevice : public RunDevice {
public:
    SimRunDevice() = default;
    ~SimRunDevice() override;
    SimRunDevice(const SimRunDevice&) = delete;
    SimRunDevice& operator=(const SimRunDevice&) = delete;

    sim::today::Host& start(EventLog& log) override;
    DWORD load(const std::string& path, size_t& item) override;
    std::string load_error() const override;
    bool item_window() const override;
    std::vector<std::string> violations() override;
    Event leaks() const override;
    void run_short(const Step& step) override;
    Picture picture() const override;

private:
    sim::today::SimLeftovers probe_;
    std::unique_ptr<sim::today::Host> host_;
    std::unique_ptr<Recorder> recorder_;
    LiveCounts before_;
};

}  // namespace todaysim

#endif

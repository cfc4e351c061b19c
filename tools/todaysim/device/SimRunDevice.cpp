// SPDX-License-Identifier: MIT
// The simulated device under the run sequence.
#include "tools/todaysim/device/SimRunDevice.h"

#include <algorithm>

#include "sim/common/Violations.h"
#include "sim/loader/SimLoader.h"
#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/scenario/Utf.h"

namespace todaysim {

SimRunDevice::~SimRunDevice()
{
    // The recorder stops before the host it watches goes.
    recorder_.reset();
    host_.reset();
}

sim::today::Host& SimRunDevice::start(EventLog& log)
{
    host_ = std::make_unique<sim::today::Host>(nullptr, &probe_);
    if (DWORD error = host_->create())
        throw run_error("todaysim: the Today window could not be made (error " + std::to_string(error) + ")");
    recorder_ = std::make_unique<Recorder>(log, host_->window());
    before_ = live_counts();
    return *host_;
}

DWORD SimRunDevice::load(const std::string& path, size_t& item)
{
    const std::u16string wide = utf16_from_utf8(path);
    return host_->load(reinterpret_cast<LPCWSTR>(wide.c_str()), TEXT("Linkory"), TRUE, &item);
}

std::string SimRunDevice::load_error() const
{
    return sim::loader::last_load_error();
}

bool SimRunDevice::item_window() const
{
    return recorder_ && recorder_->item() != nullptr;
}

std::vector<std::string> SimRunDevice::violations()
{
    return recorder_ ? recorder_->collect_violations() : sim::take_violations();
}

Event SimRunDevice::leaks() const
{
    const LiveCounts after = live_counts();
    return Event{{"heap_blocks", std::max(0L, after.heap_blocks - before_.heap_blocks)},
                 {"gdi_objects", std::max(0L, after.gdi_objects - before_.gdi_objects)},
                 {"windows", std::max(0L, after.windows - before_.windows)},
                 {"icons", std::max(0L, after.icons - before_.icons)}};
}

void SimRunDevice::run_short(const Step& step)
{
    todaysim::run_short(step);
}

Picture SimRunDevice::picture() const
{
    return screen_picture();
}

}  // namespace todaysim

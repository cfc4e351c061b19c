// SPDX-License-Identifier: MIT
// A todaysim built without SDL2 (the ARM build under qemu): --window is refused as usage.
#include "tools/todaysim/live/ScreenWindow.h"

#include "tools/todaysim/scenario/Failure.h"

namespace todaysim {

ScreenWindow::ScreenWindow(int width, int height, int zoom, const std::string&, int)
    : width_(width), height_(height), zoom_(zoom)
{
    throw usage_error("todaysim: this build has no window (built without SDL2); --watch shows the item in this terminal");
}

ScreenWindow::~ScreenWindow() = default;

void ScreenWindow::show(const Picture&) {}

void ScreenWindow::present() {}

WindowInput ScreenWindow::next(int)
{
    return WindowInput{};
}

}  // namespace todaysim

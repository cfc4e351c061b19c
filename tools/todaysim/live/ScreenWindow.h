// SPDX-License-Identifier: MIT
// A desktop window (SDL2) showing the simulated Today screen at a whole zoom factor, and
// what the user does in it, in screen coordinates.
#ifndef LINKORY_TOOLS_TODAYSIM_SCREENWINDOW_H
#define LINKORY_TOOLS_TODAYSIM_SCREENWINDOW_H

#include <string>
#include <thread>

#include "tools/todaysim/live/LiveView.h"
#include "tools/todaysim/show/PngWriter.h"

struct SDL_Window;
struct SDL_Surface;

namespace todaysim {

struct WindowInput {
    enum Kind { None, Click, Key, Close };
    Kind kind = None;
    int x = 0, y = 0;   // Click: the screen point under the pointer
    LiveKey key = LiveKey::None;
};

class ScreenWindow {
public:
    // Opens the display and a window of width x height screen pixels; a usage Failure
    // when there is no display to open. A signal read from `signals` (a signalfd) closes it.
    ScreenWindow(int width, int height, int zoom, const std::string& title, int signals);
    ~ScreenWindow();
    ScreenWindow(const ScreenWindow&) = delete;
    ScreenWindow& operator=(const ScreenWindow&) = delete;

    // Shows the picture, each screen pixel as zoom x zoom window pixels.
    void show(const Picture& picture);
    // Waits at most timeout_ms for something the user did, or a signal (as Close); kind
    // None when the time ran out. Redraws the window when it was uncovered.
    WindowInput next(int timeout_ms);

private:
    void present();

    SDL_Window* window_ = nullptr;
    SDL_Surface* frame_ = nullptr;  // the zoomed picture
    int width_, height_, zoom_;
    int stop_ = -1;                 // eventfd that ends the signal thread
    std::thread signal_thread_;
};

}  // namespace todaysim

#endif

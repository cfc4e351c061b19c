// SPDX-License-Identifier: MIT
// The Today screen in an SDL2 window.
#include "tools/todaysim/live/ScreenWindow.h"

#include <SDL.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/todaysim/scenario/Failure.h"

namespace todaysim {
namespace {

bool has_value(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

LiveKey key_for(SDL_Keycode code)
{
    switch (code) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_SPACE:
        return LiveKey::Toggle;
    case SDLK_a:
        return LiveKey::Action;
    case SDLK_s:
        return LiveKey::Selection;
    case SDLK_q:
        return LiveKey::Quit;
    default:
        return LiveKey::None;
    }
}

}  // namespace

ScreenWindow::ScreenWindow(int width, int height, int zoom, const std::string& title, int signals)
    : width_(width), height_(height), zoom_(zoom)
{
    if (!has_value("DISPLAY") && !has_value("WAYLAND_DISPLAY") && !has_value("SDL_VIDEODRIVER"))
        throw usage_error("todaysim: --window needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set "
                          "(--watch shows the item in this terminal)");
    // The signals are held and read from the watch's signalfd; SDL must not take them over.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Plain X or Wayland surfaces: an OpenGL framebuffer would make SDL replace the window.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // A click that also focuses the window is still a tap.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // Only a desktop's display will do: SDL would otherwise fall back to drawing off screen.
    std::string drivers;
    if (has_value("DISPLAY"))
        drivers = "x11";
    if (has_value("WAYLAND_DISPLAY"))
        drivers += drivers.empty() ? "wayland" : ",wayland";
    if (!has_value("SDL_VIDEODRIVER"))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        // SDL_Quit clears the reason, so it is taken first.
        const std::string reason = SDL_GetError();
        SDL_Quit();
        const char* display = std::getenv("DISPLAY");
        throw usage_error(std::string("todaysim: --window cannot open the display") +
                          (display && *display ? std::string(" ") + display : std::string()) + ": " + reason);
    }
    // The whole window on the display: a smaller zoom where the asked one would not fit, and
    // a position inside the usable area (a window manager may still move it).
    int x = SDL_WINDOWPOS_UNDEFINED, y = SDL_WINDOWPOS_UNDEFINED;
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0 && usable.w > 0 && usable.h > 0) {
        while (zoom_ > 1 && (width * zoom_ > usable.w || height * zoom_ > usable.h))
            --zoom_;
        if (zoom_ != zoom)
            std::fprintf(stderr, "todaysim: --zoom %d does not fit the display's %dx%d pixels; zoom %d instead\n", zoom,
                         usable.w, usable.h, zoom_);
        x = usable.x + std::max(0, (usable.w - width * zoom_) / 2);
        y = usable.y + std::max(0, (usable.h - height * zoom_) / 2);
    }
    window_ = SDL_CreateWindow(title.c_str(), x, y, width * zoom_, height * zoom_, SDL_WINDOW_SHOWN);
    if (window_)
        frame_ = SDL_CreateRGBSurfaceWithFormat(0, width * zoom_, height * zoom_, 32, SDL_PIXELFORMAT_RGB888);
    if (!window_ || !frame_) {
        std::string why = SDL_GetError();
        if (window_)
            SDL_DestroyWindow(window_);
        SDL_Quit();
        throw run_error("todaysim: the window could not be made: " + why);
    }
    SDL_FillRect(frame_, nullptr, 0);
    // SDL waits on its display connection only; a thread turns a signal into a quit event,
    // which SDL_PushEvent delivers by waking that wait.
    stop_ = eventfd(0, EFD_CLOEXEC);
    if (stop_ >= 0) {
        signal_thread_ = std::thread([signals, stop = stop_] {
            pollfd fds[2] = {{signals, POLLIN, 0}, {stop, POLLIN, 0}};
            while (poll(fds, 2, -1) >= 0 || errno == EINTR) {
                if (fds[1].revents)
                    return;
                if (fds[0].revents & POLLIN) {
                    SDL_Event quit;
                    SDL_zero(quit);
                    quit.type = SDL_QUIT;
                    SDL_PushEvent(&quit);
                    return;
                }
            }
        });
    }
}

ScreenWindow::~ScreenWindow()
{
    if (signal_thread_.joinable()) {
        const uint64_t one = 1;
        if (write(stop_, &one, sizeof one) == static_cast<ssize_t>(sizeof one))
            signal_thread_.join();
        else
            signal_thread_.detach();
    }
    if (stop_ >= 0)
        close(stop_);
    SDL_FreeSurface(frame_);
    SDL_DestroyWindow(window_);
    SDL_Quit();
}

void ScreenWindow::show(const Picture& picture)
{
    if (picture.width != width_ || picture.height != height_)
        return;
    SDL_LockSurface(frame_);
    for (int y = 0; y < height_ * zoom_; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(frame_->pixels) + y * frame_->pitch);
        const uint8_t* source = &picture.rgb[static_cast<size_t>(y / zoom_) * static_cast<size_t>(width_) * 3];
        for (int x = 0; x < width_ * zoom_; ++x) {
            const uint8_t* p = source + static_cast<size_t>(x / zoom_) * 3;
            row[x] = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
        }
    }
    SDL_UnlockSurface(frame_);
    present();
}

void ScreenWindow::present()
{
    // The window's surface can change with the window; ask for it each time.
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface)
        return;
    SDL_BlitSurface(frame_, nullptr, surface, nullptr);
    SDL_UpdateWindowSurface(window_);
}

WindowInput ScreenWindow::next(int timeout_ms)
{
    WindowInput input;
    SDL_Event event;
    if (!SDL_WaitEventTimeout(&event, timeout_ms))
        return input;
    switch (event.type) {
    case SDL_QUIT:
        input.kind = WindowInput::Close;
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE)
            input.kind = WindowInput::Close;
        else if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
            present();
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT && event.button.x >= 0 && event.button.y >= 0) {
            input.kind = WindowInput::Click;
            input.x = event.button.x / zoom_;
            input.y = event.button.y / zoom_;
        }
        break;
    case SDL_KEYDOWN:
        input.key = key_for(event.key.keysym.sym);
        if (input.key != LiveKey::None && !event.key.repeat)
            input.kind = WindowInput::Key;
        break;
    default:
        break;
    }
    return input;
}

}  // namespace todaysim

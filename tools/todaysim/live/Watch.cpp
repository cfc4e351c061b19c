// SPDX-License-Identifier: MIT
// The watch loop: a poll at every interval, keys, clicks and signals in between, and the
// views, the PNG and the window brought up to date whenever the item repaints.
#include "tools/todaysim/live/Watch.h"

#include <langinfo.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/cellcore/SimConnMgr.h"
#include "tools/todaysim/device/Device.h"
#include "tools/todaysim/device/Toggle.h"
#include "tools/todaysim/live/ScreenWindow.h"
#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/show/TextView.h"

namespace todaysim {

bool unicode_locale()
{
    const char* codeset = nl_langinfo(CODESET);
    return codeset && std::strcmp(codeset, "UTF-8") == 0;
}

namespace {

double monotonic_seconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A viewer that reloads the file never sees it half-written.
void replace_png(const std::string& path, const Picture& picture)
{
    const std::string part = path + ".part";
    write_png(part, picture);
    if (std::rename(part.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::remove(part.c_str());
        throw run_error("todaysim: cannot replace " + path + ": " + std::strerror(error));
    }
}

}  // namespace

Watch::Watch(const Options& options, const Device& device, bool live) : options_(options), live_(live)
{
    // Held in every thread from now on (SDL's threads included), so only the signalfd sees them.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGHUP);
    // On a terminal a stop and a continue are the watch's to handle: the terminal has to be
    // given back before the stop and taken again after it.
    if (!options_.window) {
        sigaddset(&ending, SIGTSTP);
        sigaddset(&ending, SIGCONT);
    }
    sigprocmask(SIG_BLOCK, &ending, &saved_mask_);
    signals_ = signalfd(-1, &ending, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signals_ < 0) {
        sigprocmask(SIG_SETMASK, &saved_mask_, nullptr);
        throw run_error(std::string("todaysim: signalfd: ") + std::strerror(errno));
    }
    if (options_.window) {
        char title[128];
        std::snprintf(title, sizeof title, "todaysim: Linkory on a %dx%d Today screen, %d dpi", device.screen_width,
                      device.screen_height, device.dpi_y);
        try {
            window_ = std::make_unique<ScreenWindow>(device.screen_width, device.screen_height, options_.zoom, title,
                                                     signals_);
        } catch (...) {
            close(signals_);
            sigprocmask(SIG_SETMASK, &saved_mask_, nullptr);
            throw;
        }
    }
    screen_ = std::to_string(device.screen_width) + "x" + std::to_string(device.screen_height);
    terminal_ = isatty(STDOUT_FILENO) != 0;
    // A reader that has gone shows as an error on stdout in the loop, not as a SIGPIPE that
    // would end the process before the plug-in is unloaded.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &saved_pipe_);
    view_ = std::make_unique<LiveView>(stdout, terminal_, options_.text);
}

Watch::~Watch()
{
    view_.reset();
    window_.reset();
    sigaction(SIGPIPE, &saved_pipe_, nullptr);
    close(signals_);
    sigprocmask(SIG_SETMASK, &saved_mask_, nullptr);
}

void Watch::run(const WatchedRun& run)
{
    run_ = run;
    seen_ = run_.log->total();
    // The scenario's polls count too: a watch that starts after one says "polls 1".
    polls_ = 0;
    for (const Event& event : run_.log->events())
        polls_ += event.value("ev", "") == "poll";
    // What the steps left on screen is the first picture of the watch.
    last_change_ = clock_time();
    view_->preface(run_.about);
    if (window_) {
        show();
        run_window();
    } else {
        run_terminal();
    }
}

void Watch::run_terminal()
{
    // Raw before the first view, so that a key pressed at once is not echoed into it.
    RawTerminal raw;
    show();
    struct stat out;
    const bool pipe = fstat(STDOUT_FILENO, &out) == 0 && (S_ISFIFO(out.st_mode) || S_ISSOCK(out.st_mode));
    // A negative descriptor is one ppoll skips. stdout is watched for nothing but its error
    // (a pipe's reader gone); a background job that read its terminal would be stopped, so it
    // takes keys from nothing else.
    auto keys_fd = [] { return !isatty(STDIN_FILENO) || tcgetpgrp(STDIN_FILENO) == getpgrp() ? STDIN_FILENO : -1; };
    pollfd fds[3] = {{signals_, POLLIN, 0}, {pipe ? STDOUT_FILENO : -1, 0, 0}, {keys_fd(), POLLIN, 0}};
    bool keys_ended = false;
    double next = monotonic_seconds() + options_.interval;
    for (;;) {
        const double left = std::max(0.0, next - monotonic_seconds());
        timespec timeout;
        timeout.tv_sec = static_cast<time_t>(left);
        timeout.tv_nsec = static_cast<long>((left - std::floor(left)) * 1e9);
        const int ready = ppoll(fds, 3, &timeout, nullptr);
        if (ready < 0 && errno != EINTR)
            throw run_error(std::string("todaysim: ppoll: ") + std::strerror(errno));
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            signalfd_siginfo info;
            while (read(signals_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                if (info.ssi_signo == SIGTSTP) {
                    stop(raw);
                } else if (info.ssi_signo == SIGCONT) {
                    // Back from a stop (fg, or bg where the keys stay unread): the whole view afresh.
                    raw.take();
                    view_->resume();
                    if (!keys_ended)
                        fds[2].fd = keys_fd();
                    show();
                } else {
                    return;
                }
            }
        }
        if (ready > 0 && (fds[1].revents & (POLLERR | POLLHUP))) {
            reader_gone_ = true;
            return;
        }
        if (ready > 0 && fds[2].revents) {
            char keys[64];
            const ssize_t got = (fds[2].revents & (POLLIN | POLLHUP)) ? read(STDIN_FILENO, keys, sizeof keys) : 0;
            // At the end of input (or none at all) only the timer and the signals are left.
            if (got <= 0 && !(got < 0 && (errno == EINTR || errno == EAGAIN))) {
                fds[2].fd = -1;
                keys_ended = true;
            }
            for (ssize_t i = 0; i < got; ++i)
                if (!press(key_for_char(keys[i])))
                    return;
        }
        if (monotonic_seconds() >= next) {
            poll();
            next += options_.interval;
            // After a stop (Ctrl-Z, a suspended machine) the polls resume at the interval, not in a burst.
            if (next < monotonic_seconds())
                next = monotonic_seconds() + options_.interval;
        }
    }
}

void Watch::stop(RawTerminal& raw)
{
    raw.restore();
    view_->suspend();
    // The signalfd took this SIGTSTP; raised again and let through with its default action,
    // it stops the process as the shell expects. The SIGCONT that resumes it waits in the
    // signalfd.
    sigset_t stop_only;
    sigemptyset(&stop_only);
    sigaddset(&stop_only, SIGTSTP);
    struct sigaction default_action {}, saved {};
    default_action.sa_handler = SIG_DFL;
    sigaction(SIGTSTP, &default_action, &saved);
    raise(SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop_only, nullptr);
    sigprocmask(SIG_BLOCK, &stop_only, nullptr);
    sigaction(SIGTSTP, &saved, nullptr);
}

void Watch::run_window()
{
    double next = monotonic_seconds() + options_.interval;
    for (;;) {
        const double left = std::max(0.0, next - monotonic_seconds());
        const WindowInput input = window_->next(static_cast<int>(std::ceil(left * 1000.0)));
        if (input.kind == WindowInput::Close)
            return;
        if (input.kind == WindowInput::Key && !press(input.key))
            return;
        if (input.kind == WindowInput::Click)
            click(input.x, input.y);
        if (monotonic_seconds() >= next) {
            poll();
            next += options_.interval;
            if (next < monotonic_seconds())
                next = monotonic_seconds() + options_.interval;
        }
    }
}

void Watch::poll()
{
    run_.host->poll();
    ++polls_;
    settle();
}

bool Watch::press(LiveKey key)
{
    sim::today::Host& host = *run_.host;
    const int item = static_cast<int>(run_.item);
    switch (key) {
    case LiveKey::None:
        return true;
    case LiveKey::Quit:
        return false;
    case LiveKey::Toggle: {
        int x = 0, y = 0;
        if (!find_toggle_box(run_.log->events(), x, y))
            return true;
        tap_item(host, run_.item, *run_.log, x, y);
        break;
    }
    case LiveKey::Action:
        // A device's action key goes to the selected item, and the selection comes first.
        if (host.selected() != item)
            host.select(run_.item);
        if (!host.action())
            run_.log->add(Event{{"ev", "note"}, {"text", "action key: no item holds the selection"}});
        break;
    case LiveKey::Selection:
        if (host.selected() == item)
            host.deselect();
        else
            host.select(run_.item);
        break;
    }
    settle();
    return true;
}

void Watch::click(int x, int y)
{
    if (!run_.host->tap(x, y))
        run_.log->add(Event{{"ev", "note"}, {"text", "tap: no item under the point"}});
    settle();
}

void Watch::settle()
{
    run_.check_violations();
    EventLog& log = *run_.log;
    const std::vector<Event>& events = log.events();
    const size_t fresh = std::min(log.total() - seen_, events.size());
    bool painted = false;
    for (size_t i = events.size() - fresh; i < events.size() && !painted; ++i)
        painted = events[i].value("ev", "") == "paint";
    seen_ = log.total();
    if (painted) {
        last_change_ = clock_time();
        show();
    } else if (options_.text && terminal_) {
        count_connections();
        view_->update_status(status());
    }
    log.forget_before_last_paint();
}

void Watch::count_connections()
{
    const sim::cellcore::Model model = sim::cellcore::current_model();
    up_ = 0;
    for (const sim::cellcore::Connection& c : model.connections)
        up_ += c.status == CONNMGR_STATUS_CONNECTED;
    connections_ = model.connections.size();
}

void Watch::show()
{
    if (options_.text) {
        count_connections();
        TextViewStyle style;
        style.unicode = unicode_locale();
        style.color = terminal_ && !std::getenv("NO_COLOR");
        view_->repaint(render_text_view(run_.log->events(), style), status(), time_stamp());
    }
    if (options_.png || window_) {
        const Picture picture = screen_picture();
        if (options_.png)
            replace_png(*options_.png, picture);
        if (window_)
            window_->show(picture);
    }
}

std::string Watch::status() const
{
    char text[160];
    std::snprintf(text, sizeof text, "polls %lu | last change %s | %s up: %zu of %zu | ", polls_,
                  last_change_.c_str(), live_ ? "interfaces" : "connections", up_, connections_);
    return text + screen_ + " | " + run_.language + " | q quits";
}

}  // namespace todaysim

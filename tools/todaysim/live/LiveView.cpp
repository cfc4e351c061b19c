// SPDX-License-Identifier: MIT
// Keys from stdin and the text view on stdout while a watch runs.
#include "tools/todaysim/live/LiveView.h"

#include <sys/time.h>
#include <unistd.h>

#include <ctime>

namespace todaysim {

LiveKey key_for_char(char c)
{
    switch (c) {
    case '\r':
    case '\n':
    case ' ':
        return LiveKey::Toggle;
    case 'a':
        return LiveKey::Action;
    case 's':
        return LiveKey::Selection;
    case 'q':
        return LiveKey::Quit;
    default:
        return LiveKey::None;
    }
}

void RawTerminal::take()
{
    if (active_ || !isatty(STDIN_FILENO) || tcgetpgrp(STDIN_FILENO) != getpgrp() || tcgetattr(STDIN_FILENO, &saved_) != 0)
        return;
    termios raw = saved_;
    // Signals stay on: Ctrl-C is SIGINT, which ends the watch as cleanly as q.
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    active_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
}

void RawTerminal::restore()
{
    if (active_)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    active_ = false;
}

LiveView::LiveView(std::FILE* out, bool terminal, bool enabled) : out_(out), terminal_(terminal), enabled_(enabled)
{
    if (enabled_ && terminal_) {
        std::fputs("\x1b[?25l", out_);  // no cursor blinking over the view
        std::fflush(out_);
    }
}

LiveView::~LiveView()
{
    suspend();
}

void LiveView::suspend()
{
    if (enabled_ && terminal_) {
        std::fputs(shown_ ? "\n\x1b[?25h" : "\x1b[?25h", out_);
        std::fflush(out_);
    }
    lines_ = 0;
    shown_ = false;
}

void LiveView::resume()
{
    if (enabled_ && terminal_) {
        std::fputs("\x1b[?25l", out_);
        std::fflush(out_);
    }
}

void LiveView::preface(const std::string& lines)
{
    if (!enabled_ || !terminal_ || shown_)
        return;
    std::fputs(lines.c_str(), out_);
    std::fflush(out_);
}

void LiveView::repaint(const std::string& view, const std::string& status, const std::string& stamp)
{
    if (!enabled_)
        return;
    if (!terminal_) {
        std::fprintf(out_, "%s\n%s", stamp.c_str(), view.c_str());
        std::fflush(out_);
        return;
    }
    std::string out = "\r";
    if (lines_ > 0)
        out += "\x1b[" + std::to_string(lines_) + "A";
    out += "\x1b[J" + view + status;
    lines_ = 0;
    for (char c : view)
        lines_ += c == '\n';
    shown_ = true;
    std::fputs(out.c_str(), out_);
    std::fflush(out_);
}

void LiveView::update_status(const std::string& status)
{
    if (!enabled_ || !terminal_ || !shown_)
        return;
    std::fprintf(out_, "\r\x1b[K%s", status.c_str());
    std::fflush(out_);
}

std::string time_stamp()
{
    timeval now;
    gettimeofday(&now, nullptr);
    tm local;
    localtime_r(&now.tv_sec, &local);
    char text[48];
    size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + length, sizeof text - length, ".%03ld", static_cast<long>(now.tv_usec / 1000));
    return text;
}

std::string clock_time()
{
    const time_t now = std::time(nullptr);
    tm local;
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

}  // namespace todaysim

// SPDX-License-Identifier: MIT
// The terminal side of a watch: keys read from stdin, and the text view kept up to date on
// stdout, redrawn in place on a terminal or appended as stamped blocks anywhere else.
#ifndef LINKORY_TOOLS_TODAYSIM_LIVEVIEW_H
#define LINKORY_TOOLS_TODAYSIM_LIVEVIEW_H

#include <termios.h>

#include <cstdio>
#include <string>

namespace todaysim {

enum class LiveKey { None, Toggle, Action, Selection, Quit };

// Enter or space: the toggle box; a: the action key; s: the selection; q: quit.
LiveKey key_for_char(char c);

// stdin without echo or line editing while the watch reads keys from it; restored when
// this goes, whichever way the run ends. Does nothing unless stdin is a terminal that
// this process has in the foreground (a background job would be stopped by reading it).
class RawTerminal {
public:
    RawTerminal() { take(); }
    ~RawTerminal() { restore(); }
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

    // Around a stop (Ctrl-Z): the shell gets its terminal back as it was, and on fg the
    // watch takes it again (still only in the foreground).
    void take();
    void restore();

private:
    termios saved_{};
    bool active_ = false;
};

class LiveView {
public:
    // `terminal`: redraw in place with ANSI cursor movement; otherwise one block per repaint.
    // `enabled` false: nothing is written at all (a quiet run).
    LiveView(std::FILE* out, bool terminal, bool enabled);
    // Leaves the cursor under the view and shows it again.
    ~LiveView();
    LiveView(const LiveView&) = delete;
    LiveView& operator=(const LiveView&) = delete;

    // Lines written once above the first view on a terminal, which the redraws leave alone.
    void preface(const std::string& lines);
    // The item repainted: `view` (lines ending in '\n') replaces the one shown, with the
    // status line under it; off a terminal, `stamp` heads the block and the status is left out.
    void repaint(const std::string& view, const std::string& status, const std::string& stamp);
    // Only the status line changes (a terminal only).
    void update_status(const std::string& status);
    // Before a stop: the cursor under the view and visible, as at the end. After it the
    // next repaint draws the whole view afresh below whatever the shell printed.
    void suspend();
    void resume();

private:
    std::FILE* out_;
    bool terminal_;
    bool enabled_;
    size_t lines_ = 0;   // lines of the view above the status line
    bool shown_ = false;
};

// "2026-12-08 01:02:03.456", local time, for the blocks written off a terminal.
std::string time_stamp();
// "01:02:03", local time, for the status line.
std::string clock_time();

}  // namespace todaysim

#endif

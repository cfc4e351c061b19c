// SPDX-License-Identifier: MIT
// todaysim --watch as a user runs it: on a terminal of its own, with keys and signals; on a
// pipe; and on this machine's interfaces, inside a network namespace made for the test.
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <regex>

#include <gtest/gtest.h>

#include "LiveProcess.h"
#include "ToolRun.h"

using nlohmann::json;

namespace {

size_t count(const std::string& text, const std::string& what, size_t from = 0)
{
    size_t n = 0;
    for (size_t at = text.find(what, from); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

size_t count_events(const std::vector<json>& events, const std::string& ev)
{
    return static_cast<size_t>(std::count_if(events.begin(), events.end(), [&](const json& e) { return e["ev"] == ev; }));
}

}  // namespace

// Keys reach the item and the view is redrawn on repaints only; every way out restores the terminal.
TEST(TodaysimWatch, TerminalKeysAndEveryEnd)
{
    struct End {
        const char* name;
        int signal;  // 0: the q key
    };
    const End ends[] = {{"q", 0}, {"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}};
    for (const End& end : ends) {
        SCOPED_TRACE(end.name);
        LiveProcess run({TODAYSIM_PATH, "--watch", "--interval", "0.1", "--scenario", scenario("two_connections.json")},
                        LiveProcess::Output::Terminal);
        ASSERT_TRUE(run.wait_for_output("polls 1 |", 20)) << run.output() << run.errors();
        EXPECT_NE(run.output().find("[+]"), std::string::npos);
        EXPECT_NE(run.output().find("| 240x320 | no language file: English | q quits"), std::string::npos) << run.output();
        termios during;
        ASSERT_EQ(tcgetattr(run.terminal(), &during), 0);
        EXPECT_EQ(during.c_lflag & (ICANON | ECHO), 0u) << "keys are read one by one, unechoed";

        if (end.signal == 0) {
            size_t mark = run.output().size();
            run.send(" ");
            ASSERT_TRUE(run.wait_for_output("Connected to: Work", 10, mark)) << run.output();
            // Steady polls leave the view alone: one expanded box, however many polls follow.
            mark = run.output().rfind("Linkory 240x112");
            const size_t polls = count(run.output(), "polls ");
            ASSERT_TRUE(eventually(10, [&] {
                run.read_for(0.1);
                return count(run.output(), "polls ") >= polls + 5;
            }));
            EXPECT_EQ(count(run.output(), "Linkory 240x", mark), 1u);
            // The action key goes to the item with the selection given first: it closes the block.
            mark = run.output().size();
            run.send("a");
            ASSERT_TRUE(run.wait_for_output("[+]", 10, mark)) << run.output().substr(mark);
            run.send("q");
        } else {
            kill(run.pid(), end.signal);
        }
        EXPECT_EQ(run.wait_exit(20), 0) << run.errors();
        termios after;
        ASSERT_EQ(tcgetattr(run.terminal(), &after), 0);
        EXPECT_EQ(after.c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
        EXPECT_EQ(run.output().substr(run.output().size() - 6), "\x1b[?25h") << "the cursor is shown again";
    }
}

// Ctrl-Z gives the shell a sane terminal; fg takes raw mode again and redraws the view.
TEST(TodaysimWatch, StopAndContinueUnderBashAndDash)
{
    const std::vector<std::string> shells[] = {{"bash", "--norc", "--noprofile", "-i"}, {"dash", "-i"}};
    for (const std::vector<std::string>& shell : shells) {
        SCOPED_TRACE(shell[0]);
        LiveProcess run(shell, LiveProcess::Output::Terminal, {"PS1=$ ", "ENV"});
        run.send(std::string(TODAYSIM_PATH) + " --watch --interval 0.1 --scenario " + scenario("two_connections.json") +
                 "\n");
        ASSERT_TRUE(run.wait_for_output("polls 1 |", 20)) << run.output() << run.errors();
        size_t mark = run.output().size();
        run.send("\x1a");
        run.send("stty -a | grep -o -- '-*icanon'; echo stopped-$((1+1))\n");
        ASSERT_TRUE(run.wait_for_output("stopped-2", 10, mark)) << run.output().substr(mark);
        EXPECT_EQ(run.output().find("-icanon", mark), std::string::npos) << run.output().substr(mark);
        EXPECT_NE(run.output().find("\x1b[?25h", mark), std::string::npos) << "the cursor is shown";

        mark = run.output().size();
        run.send("fg\n");
        ASSERT_TRUE(run.wait_for_output("Linkory 240x", 10, mark)) << run.output().substr(mark);
        ASSERT_TRUE(run.wait_for_output("polls ", 10, mark));
        termios during;
        ASSERT_EQ(tcgetattr(run.terminal(), &during), 0);
        EXPECT_EQ(during.c_lflag & (ICANON | ECHO), 0u);
        // The exit only once the watch has let go of the keys, or it would read it as keys.
        mark = run.output().size();
        run.send("q");
        EXPECT_TRUE(run.wait_for_output("\x1b[?25h", 10, mark));
        run.send("exit\n");
        EXPECT_EQ(run.wait_exit(20), 0) << run.errors();
    }
}

// A reader that stops (head) ends the watch at once, cleanly, with the terminal restored.
TEST(TodaysimWatch, ReaderGoneEndsTheWatch)
{
    const std::string trace = temp_path("trace.jsonl");
    LiveProcess run({"bash", "-c",
                     "set -o pipefail; " + std::string(TODAYSIM_PATH) + " --watch --interval 2 --text --trace " + trace +
                         " --scenario " + scenario("two_connections.json") + " | head -3"},
                    LiveProcess::Output::Terminal);
    ASSERT_TRUE(run.wait_for_output("Linkory 240x", 20)) << run.errors();
    ToolRun ended;
    ended.status = run.wait_exit(3);
    ended.err = run.errors();
    ended.trace = read_trace(trace);
    EXPECT_EQ(ended.status, 0) << "noticed before the next poll";
    EXPECT_EQ(ended.err, "");
    expect_clean_unload(ended);
    termios after;
    ASSERT_EQ(tcgetattr(run.terminal(), &after), 0);
    EXPECT_EQ(after.c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
    unlink(trace.c_str());
}

// Off a terminal: one stamped block per repaint and nothing else; the trace streams as it goes.
TEST(TodaysimWatch, PipeGetsStampedBlocksAndTheTraceStreams)
{
    const std::string trace = temp_path("trace.jsonl");
    LiveProcess run({TODAYSIM_PATH, "--watch", "--interval", "0.05", "--text", "--trace", trace, "--scenario",
                     scenario("two_connections.json")},
                    LiveProcess::Output::Pipe);
    ASSERT_TRUE(run.wait_for_output("Active Connections: 2", 20)) << run.errors();
    // Keys also come through a pipe.
    run.send(" ");
    ASSERT_TRUE(run.wait_for_output("Connected to: Work", 10)) << run.output();
    size_t polls = 0, blocks = 0;
    ASSERT_TRUE(eventually(10, [&] {
        const std::vector<json> events = read_trace(trace);
        if (count_events(events, "resize") < 2)
            return false;
        if (polls == 0) {
            polls = count_events(events, "poll");
            run.read_for(0.05);
            blocks = count(run.output(), "Linkory 240x");
        }
        return count_events(events, "poll") >= polls + 5;
    })) << "the trace is written while the watch runs";
    run.read_for(0.1);
    EXPECT_EQ(count(run.output(), "Linkory 240x"), blocks) << "steady polls print nothing";

    kill(run.pid(), SIGINT);
    const ToolRun ended = finished_run(run, trace);
    EXPECT_EQ(ended.status, 0) << ended.err;
    expect_clean_unload(ended);

    // Nothing but stamped blocks: a stamp, then lines of a box ('+' or '|', or U+2500 to U+257F).
    const std::regex stamp(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})"), box_line(R"((\+|\||\xe2\x94).*)");
    std::istringstream lines(run.output());
    size_t stamps = 0;
    for (std::string line, before; std::getline(lines, line); before = line) {
        stamps += std::regex_match(line, stamp);
        EXPECT_TRUE(std::regex_match(line, stamp) ? before.empty() || std::regex_match(before, box_line)
                                                  : std::regex_match(line, box_line) && !before.empty())
            << line;
    }
    EXPECT_EQ(stamps, count(run.output(), "Linkory 240x"));
    EXPECT_GE(count(run.output(), "Linkory 240x"), 3u);
    unlink(trace.c_str());
}

namespace {

// A network namespace of the test's own with one veth pair, removed however the test ends.
class Namespace {
public:
    Namespace() : name_("linkory_watch_" + std::to_string(getpid()))
    {
        std::string why;
        made_ = run_command({"ip", "netns", "add", name_}, &why) == 0;
        why_ = why;
    }
    ~Namespace()
    {
        if (made_)
            run_command({"ip", "netns", "del", name_});
    }
    bool made() const { return made_; }
    const std::string& why() const { return why_; }
    const std::string& name() const { return name_; }
    int ip(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"ip", "-n", name_});
        std::string out;
        const int status = run_command(args, &out);
        EXPECT_EQ(status, 0) << out;
        return status;
    }

private:
    std::string name_, why_;
    bool made_ = false;
};

}  // namespace

// The live backend reads the interfaces before every poll: links going up and down show within two polls.
TEST(TodaysimWatch, FollowsLinksInANetworkNamespace)
{
    Namespace ns;
    if (!ns.made())
        GTEST_SKIP() << "network namespaces are refused here (ip netns add: " << ns.why() << ")";
    ASSERT_EQ(ns.ip({"link", "add", "lkw0", "type", "veth", "peer", "name", "lkw1"}), 0);
    ASSERT_EQ(ns.ip({"addr", "add", "10.77.0.1/24", "dev", "lkw0"}), 0);

    const std::string trace = temp_path("netns.jsonl");
    LiveProcess run({"ip", "netns", "exec", ns.name(), TODAYSIM_PATH, "--watch", "--interval", "0.2", "--trace", trace,
                     "-q"},
                    LiveProcess::Output::Pipe);
    auto header = [](const std::vector<json>& events, size_t from) {
        std::string last;
        for (size_t i = from; i < events.size(); ++i)
            if (events[i].value("ev", "") == "text" && events[i]["rect"][1] < 10)
                last = events[i].value("text", "");
        return last;
    };
    ASSERT_TRUE(eventually(20, [&] { return header(read_trace(trace), 0) == "No active connections"; }))
        << run.errors();

    struct Change {
        std::vector<std::string> command;
        const char* header;
    };
    const Change changes[] = {
        {{"link", "set", "lkw0", "up"}, "No active connections"},  // no carrier without its peer
        {{"link", "set", "lkw1", "up"}, "Active Connections: 2"},
        {{"link", "set", "lkw1", "down"}, "No active connections"},
        {{"link", "set", "lkw1", "up"}, "Active Connections: 2"},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.command[2] + " " + change.command[3] + " -> " + change.header);
        const size_t before = read_trace(trace).size();
        ASSERT_EQ(ns.ip(change.command), 0);
        // Wait for three polls after the change, then look at what the first two did.
        ASSERT_TRUE(eventually(20, [&] {
            const std::vector<json> events = read_trace(trace);
            return count_events(std::vector<json>(events.begin() + static_cast<long>(before), events.end()), "poll") >= 3;
        }));
        std::vector<json> events = read_trace(trace);
        size_t second = before, polls = 0;
        while (second < events.size() && polls < 3)
            polls += events[second++].value("ev", "") == "poll";
        events.resize(second - 1);  // up to the third poll after the change
        const std::string shown = header(events, 0);
        EXPECT_EQ(shown, change.header);
    }
    kill(run.pid(), SIGINT);
    const ToolRun ended = finished_run(run, trace);
    EXPECT_EQ(ended.status, 0) << ended.err;
    expect_clean_unload(ended);
    unlink(trace.c_str());
}

// SPDX-License-Identifier: MIT
// A program running beside the test, for todaysim's live modes: its stdin, its stdout on a
// pipe or a terminal of its own, waits that always end, and a kill if the test ends first.
#ifndef LINKORY_TESTS_TODAYSIM_LIVEPROCESS_H
#define LINKORY_TESTS_TODAYSIM_LIVEPROCESS_H

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ToolRun.h"

class LiveProcess {
public:
    enum class Output { Pipe, Terminal };
    // `env`: "NAME=value" to set, "NAME" alone to remove. stdin is a pipe (the terminal in
    // Terminal mode), stderr a file.
    LiveProcess(const std::vector<std::string>& argv, Output output, const std::vector<std::string>& env = {});
    ~LiveProcess();
    LiveProcess(const LiveProcess&) = delete;
    LiveProcess& operator=(const LiveProcess&) = delete;

    pid_t pid() const { return pid_; }
    void send(const std::string& bytes);
    // Reads stdout until `text` appears at or after byte `from`; false when `seconds` pass first.
    bool wait_for_output(const std::string& text, double seconds, size_t from = 0);
    // Reads stdout for that long.
    void read_for(double seconds);
    const std::string& output() const { return output_; }
    std::string errors() const;
    // The exit status (128 + signal when killed by one), or -1 if it still runs after
    // `seconds`, in which case it is killed.
    int wait_exit(double seconds);
    // The terminal's side that the child does not hold (Terminal mode), for its settings.
    int terminal() const { return slave_; }

private:
    void drain(int timeout_ms);

    pid_t pid_ = -1;
    int input_ = -1, output_fd_ = -1, slave_ = -1;
    std::string output_;
    std::string error_path_;
};

// Waits up to 20 s for the process to end: its status, standard error and the trace it wrote
// to `trace`, for the checks of a whole run.
ToolRun finished_run(LiveProcess& run, const std::string& trace);

// Calls `condition` every 20 ms until it holds or `seconds` pass; whether it held.
bool eventually(double seconds, const std::function<bool()>& condition);

// The complete lines of a JSON Lines file as it is now.
std::vector<nlohmann::json> read_trace(const std::string& path);

// Runs a command (words without blanks or shell syntax) to its end: its exit status.
int run_command(const std::vector<std::string>& argv, std::string* output = nullptr);

// A private path in the test's temporary folder.
std::string temp_path(const std::string& name);

#endif

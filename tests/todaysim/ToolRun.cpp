// SPDX-License-Identifier: MIT
// Starts todaysim in a child process with its outputs in files, then reads them.
#include "ToolRun.h"

#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string private_path(const char* what)
{
    static std::atomic<int> counter{0};
    return testing::TempDir() + "todaysim_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + what;
}

}  // namespace

std::vector<nlohmann::json> ToolRun::all(const std::string& ev) const
{
    std::vector<nlohmann::json> found;
    for (const nlohmann::json& event : trace)
        if (event.value("ev", "") == ev)
            found.push_back(event);
    return found;
}

std::vector<nlohmann::json> ToolRun::step(size_t index) const
{
    std::vector<nlohmann::json> found;
    bool inside = false;
    for (const nlohmann::json& event : trace) {
        if (event.value("ev", "") == "step")
            inside = event.value("index", -1) == static_cast<int>(index);
        else if (inside)
            found.push_back(event);
    }
    return found;
}

std::vector<nlohmann::json> ToolRun::last_paint() const
{
    std::vector<nlohmann::json> found;
    for (const nlohmann::json& event : trace) {
        const std::string ev = event.value("ev", "");
        if (ev == "paint")
            found.clear();
        else if (ev == "text" || ev == "icon" || ev == "frame" || ev == "fill")
            found.push_back(event);
    }
    return found;
}

std::vector<std::string> ToolRun::last_texts() const
{
    std::vector<std::string> texts;
    for (const nlohmann::json& event : last_paint())
        if (event.value("ev", "") == "text")
            texts.push_back(event.value("text", ""));
    return texts;
}

std::vector<nlohmann::json> matching(const std::vector<nlohmann::json>& events, const nlohmann::json& subset)
{
    std::vector<nlohmann::json> found;
    for (const nlohmann::json& event : events) {
        bool all = true;
        for (const auto& [key, value] : subset.items())
            all = all && event.contains(key) && event[key] == value;
        if (all)
            found.push_back(event);
    }
    return found;
}

nlohmann::json first(const std::vector<nlohmann::json>& events, const nlohmann::json& subset)
{
    std::vector<nlohmann::json> found = matching(events, subset);
    return found.empty() ? nlohmann::json() : found.front();
}

void expect_clean_unload(const ToolRun& run)
{
    ASSERT_FALSE(run.trace.empty());
    EXPECT_EQ(run.trace.back()["ev"], "unload");
    EXPECT_EQ(run.trace.back()["leaks"],
              nlohmann::json({{"heap_blocks", 0}, {"gdi_objects", 0}, {"windows", 0}, {"icons", 0}}));
    EXPECT_TRUE(run.all("violation").empty()) << run.err;
}

ToolRun run_todaysim(const std::vector<std::string>& args, bool with_trace)
{
    const std::string out = private_path(".out"), err = private_path(".err"), trace = private_path(".jsonl");
    std::vector<std::string> argv = {TODAYSIM_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    if (with_trace) {
        argv.push_back("--trace");
        argv.push_back(trace);
    }
    std::vector<char*> raw;
    for (std::string& arg : argv)
        raw.push_back(arg.data());
    raw.push_back(nullptr);

    ToolRun run;
    pid_t child = fork();
    if (child == 0) {
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(o, STDOUT_FILENO);
        dup2(e, STDERR_FILENO);
        // Scenario outputs (PNG steps) land in the test's temporary folder.
        if (chdir(testing::TempDir().c_str()) != 0)
            _exit(127);
        execv(raw[0], raw.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = slurp(out);
    run.err = slurp(err);
    std::istringstream lines(slurp(trace));
    for (std::string line; std::getline(lines, line);)
        run.trace.push_back(nlohmann::json::parse(line));
    unlink(out.c_str());
    unlink(err.c_str());
    unlink(trace.c_str());
    return run;
}

std::string scenario(const std::string& name)
{
    return std::string(LINKORY_SCENARIO_DIR) + "/" + name;
}

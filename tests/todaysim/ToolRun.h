// SPDX-License-Identifier: MIT
// Runs the built todaysim as a user would and reads back its exit status, output and trace.
#ifndef LINKORY_TESTS_TODAYSIM_TOOLRUN_H
#define LINKORY_TESTS_TODAYSIM_TOOLRUN_H

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
    std::vector<nlohmann::json> trace;  // read when the run was given --trace

    // Events of one kind, in order.
    std::vector<nlohmann::json> all(const std::string& ev) const;
    // Events from the step with this index up to the next step.
    std::vector<nlohmann::json> step(size_t index) const;
    // The drawing events of the last paint (after its "paint" event).
    std::vector<nlohmann::json> last_paint() const;
    // The texts drawn by the last paint, in order.
    std::vector<std::string> last_texts() const;
};

// The events holding every key of `subset` with its value, in order; the first of them, or null.
std::vector<nlohmann::json> matching(const std::vector<nlohmann::json>& events, const nlohmann::json& subset);
nlohmann::json first(const std::vector<nlohmann::json>& events, const nlohmann::json& subset);

// The run ended with an unload that left nothing behind, and reported no violation.
void expect_clean_unload(const ToolRun& run);

// Runs todaysim with args (and --trace to a private file unless `with_trace` is false).
ToolRun run_todaysim(const std::vector<std::string>& args, bool with_trace = true);

// A file of tests/data/scenarios.
std::string scenario(const std::string& name);

#endif

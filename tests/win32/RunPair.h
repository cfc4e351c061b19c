// SPDX-License-Identifier: MIT
// One scenario run twice: by the simulated device's todaysim and by the Win32 todaysim.exe
// under Wine, each with its trace and final picture read back.
#ifndef LINKORY_TESTS_WIN32_RUNPAIR_H
#define LINKORY_TESTS_WIN32_RUNPAIR_H

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // rows top to bottom

    // 0xRRGGBB at (x, y); the point must lie inside.
    uint32_t at(int x, int y) const;
};

struct Outcome {
    int status = -1;
    std::string err;
    std::vector<nlohmann::json> trace;
    Picture picture;
};

struct PairRun {
    Outcome sim;
    Outcome wine;
};

// Runs both tools on the scenario with --trace and --png. `locale`, when given, is Wine's
// LC_ALL, which is how the Win32 build gets its user language.
PairRun run_pair(const std::string& scenario, const std::string& locale = "");

// The events both platforms must agree on: everything the Today host sees of the item, less
// the colour and watermark requests, whose number follows the platform's erase order (Win32
// erases a resized window at once, inside SetWindowPos).
std::vector<nlohmann::json> host_events(const std::vector<nlohmann::json>& trace);

// Equal event lists, or a numbered two-column listing of both from the first difference on.
::testing::AssertionResult same_events(const std::vector<nlohmann::json>& sim, const std::vector<nlohmann::json>& wine);

#endif

// SPDX-License-Identifier: MIT
// API misuse seen by the simulated device: recorded, never fatal, so tests can fail on it.
#ifndef LINKORY_SIM_COMMON_VIOLATIONS_H
#define LINKORY_SIM_COMMON_VIOLATIONS_H

#include <string>
#include <vector>

namespace sim {

// Records one misuse: the API's name and what was wrong with the call.
void report_violation(const char* api, const std::string& what);

// Hands out and forgets every violation recorded so far, oldest first ("Api: what").
std::vector<std::string> take_violations();

// Number of violations recorded and not yet taken.
size_t violation_count();

}  // namespace sim

#endif

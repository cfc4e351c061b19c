// SPDX-License-Identifier: MIT
// The process-wide list of API misuses.
#include "sim/common/Violations.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace sim {
namespace {
std::mutex violations_lock;
std::vector<std::string>& violations()
{
    static std::vector<std::string> list;
    return list;
}
bool echo_enabled()
{
    // SIMDEBUG=+violation prints each one as it happens.
    const char* env = std::getenv("SIMDEBUG");
    return env && std::strstr(env, "violation");
}
}  // namespace

void report_violation(const char* api, const std::string& what)
{
    std::string line = std::string(api) + ": " + what;
    if (echo_enabled())
        std::fprintf(stderr, "sim violation: %s\n", line.c_str());
    std::lock_guard<std::mutex> guard(violations_lock);
    violations().push_back(std::move(line));
}

std::vector<std::string> take_violations()
{
    std::lock_guard<std::mutex> guard(violations_lock);
    std::vector<std::string> out;
    out.swap(violations());
    return out;
}

size_t violation_count()
{
    std::lock_guard<std::mutex> guard(violations_lock);
    return violations().size();
}

}  // namespace sim

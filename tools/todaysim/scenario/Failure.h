// SPDX-License-Identifier: MIT
// The one error type of todaysim: a message for stderr and the exit status it leads to.
#ifndef LINKORY_TOOLS_TODAYSIM_FAILURE_H
#define LINKORY_TOOLS_TODAYSIM_FAILURE_H

#include <stdexcept>
#include <string>

namespace todaysim {

// Exit statuses: 0 success, 1 anything that went wrong while running, 2 bad usage or a
// bad scenario (the user can fix the command line or the file and try again).
enum ExitStatus { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

class Failure : public std::runtime_error {
public:
    Failure(ExitStatus status, const std::string& message)
        : std::runtime_error(message), status_(status)
    {
    }
    ExitStatus status() const { return status_; }

private:
    ExitStatus status_;
};

// A mistake on the command line or in a scenario file; exit status 2.
inline Failure usage_error(const std::string& message)
{
    return Failure(kExitUsage, message);
}

// Anything else that stops a run; exit status 1.
inline Failure run_error(const std::string& message)
{
    return Failure(kExitFailure, message);
}

}  // namespace todaysim

#endif

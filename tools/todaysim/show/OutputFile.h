// SPDX-License-Identifier: MIT
// What todaysim may replace when it writes a file: its own pictures and traces, which a
// second run is expected to renew, but never a file of another kind that happens to have
// the name (a translation, a scenario, a note).
#ifndef LINKORY_TOOLS_TODAYSIM_OUTPUTFILE_H
#define LINKORY_TOOLS_TODAYSIM_OUTPUTFILE_H

#include <string>

namespace todaysim {

enum class OutputKind { Png, Trace };

// Throws a usage Failure when `path` is an existing regular file that is neither empty nor
// of `kind` (a PNG by its signature, a trace by its first event), unless `force`. "-" and
// anything that is not a regular file (a new name, /dev/null, a FIFO) pass.
void refuse_foreign_file(const std::string& option, const std::string& path, OutputKind kind, bool force);

// Throws a usage Failure when `path` exists at all, unless `force`: what goes there (a
// template) would replace a file the user may have worked on.
void refuse_existing_file(const std::string& option, const std::string& path, bool force);

}  // namespace todaysim

#endif

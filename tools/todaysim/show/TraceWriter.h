// SPDX-License-Identifier: MIT
// Writes events as JSON Lines, one object per line, as they happen: a run that fails
// half-way still leaves the trace up to the failure.
#ifndef LINKORY_TOOLS_TODAYSIM_TRACEWRITER_H
#define LINKORY_TOOLS_TODAYSIM_TRACEWRITER_H

#include <cstdio>
#include <string>
#include <vector>

#include "tools/todaysim/show/Event.h"

namespace todaysim {

class TraceWriter {
public:
    TraceWriter() = default;
    ~TraceWriter();
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    // "-" is standard output; throws a run Failure when the file cannot be created.
    void open(const std::string& path);
    bool is_open() const { return file_ != nullptr; }
    void write(const Event& event);
    // Throws a run Failure if any write failed (a full disk, a closed pipe).
    void close();

private:
    std::FILE* file_ = nullptr;
    bool owned_ = false;
    std::string path_;
};

// Every event of a run, kept for the text view and written to the trace as it comes.
class EventLog {
public:
    void set_trace(TraceWriter* trace) { trace_ = trace; }
    void add(Event event);
    const std::vector<Event>& events() const { return events_; }
    // Events added since the log began, including those forgotten since.
    size_t total() const { return forgotten_ + events_.size(); }
    // Forgets the events before the last "paint", so that a long watch keeps only what
    // the text view and the toggle box are read from.
    void forget_before_last_paint();

private:
    std::vector<Event> events_;
    size_t forgotten_ = 0;
    TraceWriter* trace_ = nullptr;
};

}  // namespace todaysim

#endif

// SPDX-License-Identifier: MIT
// JSON Lines output of the run's events, and the log that feeds it.
#include "tools/todaysim/show/TraceWriter.h"

#include <cerrno>
#include <cstring>

#include "tools/todaysim/scenario/Failure.h"

namespace todaysim {

TraceWriter::~TraceWriter()
{
    if (file_ && owned_)
        std::fclose(file_);
}

void TraceWriter::open(const std::string& path)
{
    path_ = path == "-" ? "standard output" : path;
    if (path == "-") {
        file_ = stdout;
        owned_ = false;
        return;
    }
    file_ = std::fopen(path.c_str(), "w");
    if (!file_)
        throw run_error("todaysim: cannot write the trace " + path + ": " + std::strerror(errno));
    owned_ = true;
}

void TraceWriter::write(const Event& event)
{
    if (!file_)
        return;
    // Texts are converted from UTF-16 beforehand; replacing keeps a line valid regardless.
    std::string line = event.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), file_);
    // Line-buffered in effect: a reader following the trace sees each event as it happens.
    std::fflush(file_);
}

void TraceWriter::close()
{
    if (!file_)
        return;
    bool failed = std::ferror(file_) != 0 || std::fflush(file_) != 0;
    if (owned_)
        failed = std::fclose(file_) != 0 || failed;
    file_ = nullptr;
    if (failed)
        throw run_error("todaysim: writing the trace to " + path_ + " failed");
}

void EventLog::add(Event event)
{
    events_.push_back(std::move(event));
    if (trace_)
        trace_->write(events_.back());
}

void EventLog::forget_before_last_paint()
{
    for (size_t i = events_.size(); i-- > 0;) {
        if (events_[i].value("ev", "") == "paint") {
            events_.erase(events_.begin(), events_.begin() + static_cast<std::ptrdiff_t>(i));
            forgotten_ += i;
            return;
        }
    }
}

}  // namespace todaysim

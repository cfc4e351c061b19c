// SPDX-License-Identifier: MIT
// One run of the plug-in in the Today host on Win32: the steps of the simulated run, the
// events the host can see, and the picture read back from the Today window.
#include "tools/todaysim/Runner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "sim/cellcore/SimConnMgr.h"
#include "sim/common/Violations.h"
#include "sim/today/Host.h"
#include "tools/todaysim-win32/HostDevice.h"
#include "tools/todaysim-win32/HostRecorder.h"
#include "tools/todaysim/Failure.h"
#include "tools/todaysim/Staging.h"
#include "tools/todaysim/TraceWriter.h"

namespace todaysim {
namespace {

bool is_regular_file(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(wide_path(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Linkory.dll lies beside todaysim.exe in the build's bin folder.
std::string default_dll()
{
    wchar_t self[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    if (length == 0 || length >= MAX_PATH * 4)
        return "Linkory.dll";
    std::wstring path(self, length);
    return narrow_path(path.substr(0, path.find_last_of(L"\\/") + 1) + L"Linkory.dll");
}

// Poll; open the detail block; poll twice. Where the toggle box is, only the item's drawing
// tells, which a Win32 host does not see, so that tap is left out and said so.
std::vector<Step> default_script()
{
    Step poll;
    Step toggle;
    toggle.kind = StepKind::Tap;
    toggle.x = toggle.y = -1;
    return {poll, toggle, poll, poll};
}

class Run {
public:
    Run(const Options& options, const Scenario& scenario) : options_(options), scenario_(scenario) {}
    int go();

private:
    void add(Event event);
    void play(size_t index, const Step& step);
    void check_violations();
    void write_picture(const std::string& path);

    const Options& options_;
    const Scenario& scenario_;
    TraceWriter trace_;
    std::vector<Event> events_;
    sim::today::Host* host_ = nullptr;
    size_t item_ = 0;
    std::vector<Destination> destinations_;
    std::vector<Connection> connections_;
    size_t violations_ = 0;
};

void Run::add(Event event)
{
    events_.push_back(std::move(event));
    trace_.write(events_.back());
}

// Misuse of the stand-in DLLs (the only simulated parts left) fails the run as on the device.
void Run::check_violations()
{
    for (const std::string& text : sim::take_violations()) {
        std::fprintf(stderr, "todaysim: device violation: %s\n", text.c_str());
        const size_t colon = text.find(": ");
        Event violation = make_event("violation");
        violation["api"] = colon == std::string::npos ? std::string() : text.substr(0, colon);
        violation["what"] = colon == std::string::npos ? text : text.substr(colon + 2);
        add(violation);
        ++violations_;
    }
}

void Run::write_picture(const std::string& path)
{
    write_png(path, window_picture(host_->window()));
}

void Run::play(size_t index, const Step& step)
{
    Event event = make_event("step");
    event["index"] = index;
    event["step"] = step_name(step.kind);
    const RECT where = host_->item_rect(item_);
    switch (step.kind) {
    case StepKind::Poll:
        event["count"] = step.count;
        add(event);
        for (int i = 0; i < step.count; ++i)
            host_->poll();
        return;
    case StepKind::Tap:
        if (step.x < 0) {
            event["skipped"] = "the toggle box is not visible to a Win32 host";
            add(event);
            return;
        }
        event["x"] = step.x;
        event["y"] = step.y;
        add(event);
        host_->tap(where.left + step.x, where.top + step.y);
        return;
    case StepKind::Action:
        add(event);
        // The Today host sends the action key to the selected item only.
        if (!host_->action())
            add(Event{{"ev", "note"}, {"text", "action key: no item holds the selection"}});
        return;
    case StepKind::Select:
        add(event);
        host_->select(item_);
        return;
    case StepKind::Deselect:
        add(event);
        host_->deselect();
        return;
    case StepKind::Connections:
    case StepKind::Destinations:
        if (step.kind == StepKind::Connections)
            connections_ = step.connections;
        else
            destinations_ = step.destinations;
        event["count"] = step.kind == StepKind::Connections ? connections_.size() : destinations_.size();
        add(event);
        set_connections(destinations_, connections_);
        return;
    case StepKind::QueryFails: {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(step.hresult.value_or(0)));
        event["result"] = step.hresult ? Event(code) : Event(nullptr);
        add(event);
        if (step.hresult)
            sim::cellcore::fail_queries(static_cast<HRESULT>(*step.hresult));
        else
            sim::cellcore::stop_failing_queries();
        return;
    }
    case StepKind::EnumFailsAt:
        event["from"] = step.enum_index ? Event(*step.enum_index) : Event(nullptr);
        add(event);
        if (step.enum_index)
            sim::cellcore::fail_enumeration_from(*step.enum_index);
        else
            sim::cellcore::stop_failing_enumeration();
        return;
    case StepKind::Png:
        event["path"] = step.path;
        add(event);
        write_picture(step.path);
        return;
    }
}

int Run::go()
{
    const Device device = effective_device(scenario_, options_);
    const std::string dll = options_.dll.empty() ? default_dll() : options_.dll;
    if (!is_regular_file(dll))
        throw options_.dll.empty() ? run_error("todaysim: " + dll + " not found; build the Linkory target or pass --dll")
                                   : usage_error("todaysim: --dll " + dll + ": no such file");
    configure_device(device, !scenario_.file.empty() || options_.language.has_value());
    Staging staging(dll, scenario_.language_files);
    if (options_.trace)
        trace_.open(*options_.trace);

    destinations_ = scenario_.destinations;
    connections_ = scenario_.connections;
    if (scenario_.file.empty())
        use_live_connections();
    else
        set_connections(destinations_, connections_);

    sim::today::Host host;
    host_ = &host;
    if (DWORD error = host.create(device.screen_width, device.screen_height))
        throw run_error("todaysim: the Today window could not be made (error " + std::to_string(error) + ")");
    HostRecorder recorder([this](Event event) { add(std::move(event)); }, host.window());
    if (!recorder.ok())
        throw run_error("todaysim: cannot observe the Today window (error " + std::to_string(GetLastError()) + ")");
    check_violations();
    const long windows_before = child_windows(host.window());
    const std::wstring path = wide_path(staging.dll());
    if (DWORD error = host.load(path.c_str(), L"Linkory", TRUE, &item_))
        throw run_error("todaysim: cannot load " + dll + " (error " + std::to_string(error) + ")");
    Event loaded = make_event("load");
    loaded["dll"] = dll;
    loaded["window"] = recorder.item() != nullptr;
    loaded["cyp"] = host.record(item_) ? host.record(item_)->cyp : 0;
    add(loaded);
    check_violations();
    const std::vector<Step> steps = scenario_.has_steps ? scenario_.steps : default_script();
    for (size_t i = 0; i < steps.size(); ++i) {
        play(i, steps[i]);
        check_violations();
    }
    if (options_.png)
        write_picture(*options_.png);

    const std::vector<std::string> leftovers = host.unload(item_);
    // Only windows are countable from here; the heap and GDI belong to the system.
    Event unload = make_event("unload");
    unload["leaks"] = Event{{"windows", std::max(0L, child_windows(host.window()) - windows_before)}};
    add(unload);
    check_violations();
    trace_.close();

    if (options_.text) {
        const TODAYLISTITEM* record = host.record(item_);
        std::printf("Linkory in the Win32 Today host: item %s, last height %lu, %zu events%s%s\n",
                    recorder.item() ? "window made" : "without a window",
                    record ? static_cast<unsigned long>(record->cyp) : 0UL, events_.size(),
                    options_.png ? ", picture " : "", options_.png ? options_.png->c_str() : "");
    }
    for (const std::string& leftover : leftovers)
        std::fprintf(stderr, "todaysim: left behind at unload: %s\n", leftover.c_str());
    if (violations_ || !leftovers.empty()) {
        std::fprintf(stderr, "todaysim: the plug-in %s\n",
                     violations_ ? "misused the simulated device" : "did not clean up at unload");
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

int run(const Options& options, const Scenario& scenario)
{
    Run run(options, scenario);
    return run.go();
}

}  // namespace todaysim

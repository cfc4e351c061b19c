// SPDX-License-Identifier: MIT
// One run of the plug-in in the Today host on Win32: the steps of the simulated run, the
// events the host can see, and the picture read back from the Today window.
#include "tools/todaysim/run/Runner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "sim/common/Violations.h"
#include "sim/today/Host.h"
#include "tools/todaysim-win32/HostDevice.h"
#include "tools/todaysim-win32/HostRecorder.h"
#include "tools/todaysim/device/Settings.h"
#include "tools/todaysim/device/Staging.h"
#include "tools/todaysim/device/Toggle.h"
#include "tools/todaysim/run/StepPlayer.h"
#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/show/TraceWriter.h"

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

class Run : private StepPlayer {
public:
    Run(const Options& options, const Scenario& scenario) : options_(options), scenario_(scenario) {}
    int go();

private:
    void tap(Event event, const Step& step) override;
    void write_picture(const std::string& path) override { write_png(path, window_picture(host_->window())); }
    void check_violations() override;
    void run_short(const Step& step) override;

    const Options& options_;
    const Scenario& scenario_;
    TraceWriter trace_;
};

// Misuse of the stand-in DLLs (the only simulated parts left) fails the run as on the device.
void Run::check_violations()
{
    for (const std::string& text : sim::take_violations()) {
        std::fprintf(stderr, "todaysim: device violation: %s\n", text.c_str());
        const size_t colon = text.find(": ");
        Event violation = make_event("violation");
        violation["api"] = colon == std::string::npos ? std::string() : text.substr(0, colon);
        violation["what"] = colon == std::string::npos ? text : text.substr(colon + 2);
        log_.add(violation);
        ++violations_;
    }
}

// Wine's heap, GDI and windows are the system's: nothing here can make them fail.
void Run::run_short(const Step& step)
{
    throw usage_error("todaysim: " + scenario_.file + ": " + step_name(step.kind) +
                      " needs the simulated device; under Wine the heap and GDI are the system's");
}

// Where the toggle box is, only the item's drawing tells, which a Win32 host does not see:
// the default script's tap is left out and said so.
void Run::tap(Event event, const Step& step)
{
    if (step.x < 0) {
        event["skipped"] = "the toggle box is not visible to a Win32 host";
        log_.add(event);
        return;
    }
    event["x"] = step.x;
    event["y"] = step.y;
    log_.add(event);
    tap_item(*host_, item_, log_, step.x, step.y);
}

int Run::go()
{
    const Device device = effective_device(scenario_, options_);
    const std::string dll = options_.dll.empty() ? default_dll() : options_.dll;
    if (!is_regular_file(dll))
        throw options_.dll.empty() ? run_error("todaysim: " + dll + " not found; build the Linkory target or pass --dll")
                                   : usage_error("todaysim: --dll " + dll + ": no such file");
    configure_device(device, !scenario_.file.empty() || options_.language.has_value());
    for (const Step& step : scenario_.steps)
        if (step.kind == StepKind::GdiFailsFrom || step.kind == StepKind::HeapFailsFrom)
            run_short(step);
    Staging staging(dll, scenario_.language_files);
    if (options_.trace)
        trace_.open(*options_.trace);
    log_.set_trace(&trace_);
    start_connections(scenario_);

    sim::today::Host host;
    host_ = &host;
    if (DWORD error = host.create(device.screen_width, device.screen_height))
        throw run_error("todaysim: the Today window could not be made (error " + std::to_string(error) + ")");
    HostRecorder recorder([this](Event event) { log_.add(std::move(event)); }, host.window());
    if (!recorder.ok())
        throw run_error("todaysim: cannot observe the Today window (error " + std::to_string(GetLastError()) + ")");
    check_violations();
    const long windows_before = child_windows(host.window());
    const std::wstring path = wide_path(staging.dll());
    if (DWORD error = host.load(path.c_str(), L"Linkory", TRUE, &item_))
        throw run_error("todaysim: cannot load " + dll + " (error " + std::to_string(error) + ")");
    log_load(dll, recorder.item() != nullptr);
    check_violations();
    play_steps(scenario_);
    if (options_.png)
        write_picture(*options_.png);

    const std::vector<std::string> leftovers = host.unload(item_);
    // Only windows are countable from here; the heap and GDI belong to the system.
    Event unload = make_event("unload");
    unload["leaks"] = Event{{"windows", std::max(0L, child_windows(host.window()) - windows_before)}};
    log_.add(unload);
    check_violations();
    trace_.close();
    log_.set_trace(nullptr);

    if (options_.text) {
        const TODAYLISTITEM* record = host.record(item_);
        std::printf("Linkory in the Win32 Today host: item %s, last height %lu, %zu events%s%s\n",
                    recorder.item() ? "window made" : "without a window",
                    record ? static_cast<unsigned long>(record->cyp) : 0UL, log_.events().size(),
                    options_.png ? ", picture " : "", options_.png ? options_.png->c_str() : "");
    }
    return finish(leftovers);
}

}  // namespace

int run(const Options& options, const Scenario& scenario)
{
    if (options.watch)
        throw usage_error("todaysim: --watch and --window are todaysim's on the simulated device; this Win32 build "
                          "runs its steps and exits");
    Run run(options, scenario);
    return run.go();
}

}  // namespace todaysim

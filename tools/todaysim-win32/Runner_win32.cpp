// SPDX-License-Identifier: MIT
// One run of the plug-in in the Today host on Win32: the steps of the simulated run, the
// events the host can see, and the picture read back from the Today window.
#include "tools/todaysim/run/Runner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "sim/common/Violations.h"
#include "sim/today/Host.h"
#include "tools/todaysim-win32/HostDevice.h"
#include "tools/todaysim-win32/HostRecorder.h"
#include "tools/todaysim/device/RunDevice.h"
#include "tools/todaysim/device/Settings.h"
#include "tools/todaysim/device/Staging.h"
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

// The Win32 host under the run sequence. Only the stand-in DLLs are simulated here, so their
// misuse is all it can report, and of the leaks only windows are countable: the heap and GDI
// belong to the system.
class HostRunDevice : public RunDevice {
public:
    // `file`: the scenario, named when a step needs the simulated device.
    HostRunDevice(int width, int height, std::string file) : width_(width), height_(height), file_(std::move(file)) {}
    ~HostRunDevice() override
    {
        recorder_.reset();
        host_.reset();
    }

    sim::today::Host& start(EventLog& log) override
    {
        host_ = std::make_unique<sim::today::Host>();
        if (DWORD error = host_->create(width_, height_))
            throw run_error("todaysim: the Today window could not be made (error " + std::to_string(error) + ")");
        log_ = &log;
        recorder_ = std::make_unique<HostRecorder>([this](Event event) { log_->add(std::move(event)); }, host_->window());
        if (!recorder_->ok())
            throw run_error("todaysim: cannot observe the Today window (error " + std::to_string(GetLastError()) + ")");
        windows_before_ = child_windows(host_->window());
        return *host_;
    }
    DWORD load(const std::string& path, size_t& item) override
    {
        return host_->load(wide_path(path).c_str(), L"Linkory", TRUE, &item);
    }
    std::string load_error() const override { return std::string(); }
    bool item_window() const override { return recorder_ && recorder_->item() != nullptr; }
    std::vector<std::string> violations() override
    {
        std::vector<std::string> texts = sim::take_violations();
        for (const std::string& text : texts)
            log_->add(violation_event(text));
        return texts;
    }
    Event leaks() const override
    {
        return Event{{"windows", std::max(0L, child_windows(host_->window()) - windows_before_)}};
    }
    // Wine's heap, GDI and windows are the system's: nothing here can make them fail.
    void run_short(const Step& step) override
    {
        throw usage_error("todaysim: " + file_ + ": " + step_name(step.kind) +
                          " needs the simulated device; under Wine the heap and GDI are the system's");
    }
    Picture picture() const override { return window_picture(host_->window()); }

private:
    const int width_, height_;
    const std::string file_;
    std::unique_ptr<sim::today::Host> host_;
    std::unique_ptr<HostRecorder> recorder_;
    EventLog* log_ = nullptr;
    long windows_before_ = 0;
};

class Run : private StepPlayer {
public:
    Run(const Options& options, const Scenario& scenario) : options_(options), scenario_(scenario) {}
    int go();

private:
    void tap(Event event, const Step& step) override;

    const Options& options_;
    const Scenario& scenario_;
    TraceWriter trace_;
};

// Where the toggle box is, only the item's drawing tells, which a Win32 host does not see:
// the default script's tap is left out and said so.
void Run::tap(Event event, const Step& step)
{
    if (step.x < 0) {
        event["skipped"] = "the toggle box is not visible to a Win32 host";
        log_.add(event);
        return;
    }
    StepPlayer::tap(std::move(event), step);
}

int Run::go()
{
    const Device device = effective_device(scenario_, options_);
    const std::string dll = options_.dll.empty() ? default_dll() : options_.dll;
    if (!is_regular_file(dll))
        throw options_.dll.empty() ? run_error("todaysim: " + dll + " not found; build the Linkory target or pass --dll")
                                   : usage_error("todaysim: --dll " + dll + ": no such file");
    configure_device(device, !scenario_.file.empty() || options_.language.has_value());
    HostRunDevice host_device(device.screen_width, device.screen_height, scenario_.file);
    for (const Step& step : scenario_.steps)
        if (step.kind == StepKind::GdiFailsFrom || step.kind == StepKind::HeapFailsFrom)
            host_device.run_short(step);
    Staging staging(dll, scenario_.language_files);
    if (options_.trace)
        trace_.open(*options_.trace);
    log_.set_trace(&trace_);

    Sequence sequence;
    sequence.dll = dll;
    sequence.staged = staging.dll();
    sequence.scenario = &scenario_;
    sequence.after_steps = [this] {
        if (options_.png)
            write_picture(*options_.png);
    };
    const std::vector<std::string> leftovers = run_sequence(host_device, sequence);
    trace_.close();
    log_.set_trace(nullptr);

    sim::today::Host& host = *host_;
    if (options_.text) {
        const TODAYLISTITEM* record = host.record(item_);
        std::printf("Linkory in the Win32 Today host: item %s, last height %lu, %zu events%s%s\n",
                    host_device.item_window() ? "window made" : "without a window",
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

// SPDX-License-Identifier: MIT
// One run of the plug-in in the simulated Today host, step by step.
#include "tools/todaysim/run/Runner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sim/cellcore/SimConnMgr.h"
#include "tools/todaysim/device/Device.h"
#include "tools/todaysim/device/Settings.h"
#include "tools/todaysim/device/SimRunDevice.h"
#include "tools/todaysim/device/Staging.h"
#include "tools/todaysim/live/Watch.h"
#include "tools/todaysim/run/LanguageUse.h"
#include "tools/todaysim/run/StepPlayer.h"
#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/show/TextView.h"
#include "tools/todaysim/show/TraceWriter.h"

namespace todaysim {
namespace {

bool is_regular_file(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

class Run : private StepPlayer {
public:
    Run(const Options& options, const Scenario& scenario) : options_(options), scenario_(scenario) {}
    int go();

private:
    void print_text(const Device& device);
    // The lines under the text view: the device, the connections and the language file.
    std::string about(const Device& device) const;

    const Options& options_;
    const Scenario& scenario_;
    LanguageUse language_;
};

void Run::print_text(const Device& device)
{
    TextViewStyle style;
    style.unicode = unicode_locale();
    style.color = isatty(STDOUT_FILENO) && !std::getenv("NO_COLOR");
    std::fputs((render_text_view(log_.events(), style) + about(device)).c_str(), stdout);
}

std::string Run::about(const Device& device) const
{
    char settings[200];
    std::snprintf(settings, sizeof settings, "  screen %dx%d, %d x %d dpi, UI font %s, language 0x%04X, ",
                  device.screen_width, device.screen_height, device.dpi_x, device.dpi_y,
                  device.font_size ? (std::to_string(*device.font_size) + " px").c_str() : "not set", device.language);
    std::string text = settings;
    if (scenario_.file.empty()) {
        size_t connected = 0;
        const sim::cellcore::Model model = sim::cellcore::current_model();
        for (const sim::cellcore::Connection& c : model.connections)
            connected += c.status == CONNMGR_STATUS_CONNECTED;
        text += "this machine's interfaces: " + std::to_string(model.connections.size()) + " (" +
                std::to_string(connected) + " up)\n";
    } else {
        text += "scenario " + scenario_.file + "\n";
    }
    return text + "  " + language_.line + "\n";
}

int Run::go()
{
    const Device device = effective_device(scenario_, options_);
    std::string dll = options_.dll.empty() ? default_dll() : options_.dll;
    if (!is_regular_file(dll))
        throw options_.dll.empty() ? run_error("todaysim: " + dll + " not found; build the Linkory target or pass --dll")
                                   : usage_error("todaysim: --dll " + dll + ": no such file");
    std::unique_ptr<Watch> watch;
    if (options_.watch)
        watch = std::make_unique<Watch>(options_, device, scenario_.file.empty());
    Staging staging(dll, scenario_.language_files);
    TraceWriter trace;
    if (options_.trace)
        trace.open(*options_.trace);
    log_.set_trace(&trace);
    configure_device(device);

    // A watch without steps starts from the first poll; it taps nothing by itself.
    Scenario script = scenario_;
    if (watch && !script.has_steps) {
        script.has_steps = true;
        script.steps.assign(1, Step());
    }
    bool reader_gone = false;
    Sequence sequence;
    sequence.dll = dll;
    sequence.staged = staging.dll();
    sequence.scenario = &script;
    sequence.after_steps = [&] {
        // The plug-in read its language file when it was loaded; the device saw which.
        language_ = language_use(sim::kernel::file_opens(), staging.folder(), scenario_.language_files);
        if (watch) {
            watch->run(WatchedRun{host_, item_, &log_, [this] { check_violations(); }, about(device), language_.brief});
            reader_gone = watch->reader_gone();
            watch.reset();
        } else if (options_.png) {
            write_picture(*options_.png);
        }
    };
    SimRunDevice sim_device;
    const std::vector<std::string> leftovers = run_sequence(sim_device, sequence);
    try {
        trace.close();
    } catch (const Failure&) {
        // A trace on a stdout whose reader has gone was read as far as it was wanted.
        if (!reader_gone || *options_.trace != "-")
            throw;
    }
    log_.set_trace(nullptr);
    if (options_.text && !options_.watch)
        print_text(device);
    return finish(leftovers);
}

}  // namespace

int run(const Options& options, const Scenario& scenario)
{
    Run run(options, scenario);
    return run.go();
}

}  // namespace todaysim

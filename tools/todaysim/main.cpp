// SPDX-License-Identifier: MIT
// todaysim's entry: the command line, the scenario, the run and the exit status.
#include <clocale>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/todaysim/cli/Options.h"
#include "tools/todaysim/run/Runner.h"
#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/scenario/Scenario.h"
#include "tools/todaysim/scenario/Values.h"
#include "tools/todaysim/show/OutputFile.h"
#include "tools/todaysim/translate/Translator.h"

#ifndef LINKORY_VERSION
#define LINKORY_VERSION "unknown"
#endif

namespace {

// Before anything runs: no output may replace a file the user wrote.
void refuse_lost_files(const todaysim::Options& options, const todaysim::Scenario& scenario)
{
    using todaysim::OutputKind;
    if (!options.template_path.empty())
        todaysim::refuse_existing_file("--template", options.template_path, options.force);
    if (options.png)
        todaysim::refuse_foreign_file("--png", *options.png, OutputKind::Png, options.force);
    if (options.trace)
        todaysim::refuse_foreign_file("--trace", *options.trace, OutputKind::Trace, options.force);
    for (const todaysim::Step& step : scenario.steps)
        if (step.kind == todaysim::StepKind::Png)
            todaysim::refuse_foreign_file(scenario.file + ": png step", step.path, OutputKind::Png, options.force);
}

}  // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_CTYPE, "");
    try {
        const todaysim::Options options = todaysim::parse_options(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::fputs(todaysim::help_text(), stdout);
            return todaysim::kExitOk;
        }
        if (options.list_devices) {
            std::fputs(todaysim::screen_class_list().c_str(), stdout);
            return todaysim::kExitOk;
        }
        if (options.version) {
            std::printf("todaysim %s (Linkory on a simulated Windows Mobile 5.0 Today screen)\n", LINKORY_VERSION);
            return todaysim::kExitOk;
        }
        todaysim::Scenario scenario;
        if (!options.scenario.empty() && options.check.empty() && options.template_path.empty())
            scenario = todaysim::load_scenario(options.scenario);
        refuse_lost_files(options, scenario);
        int status = todaysim::kExitOk;
        if (todaysim::run_translator_tool(options, status))
            return status;
        return todaysim::run(options, scenario);
    } catch (const todaysim::Failure& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return failure.status();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "todaysim: %s\n", error.what());
        return todaysim::kExitFailure;
    }
}

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
#include "tools/todaysim/translate/Translator.h"

#ifndef LINKORY_VERSION
#define LINKORY_VERSION "unknown"
#endif

int main(int argc, char** argv)
{
    std::setlocale(LC_CTYPE, "");
    try {
        const todaysim::Options options = todaysim::parse_options(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::fputs(todaysim::help_text(), stdout);
            return todaysim::kExitOk;
        }
        if (options.version) {
            std::printf("todaysim %s (Linkory on a simulated Windows Mobile 5.0 Today screen)\n", LINKORY_VERSION);
            return todaysim::kExitOk;
        }
        int status = todaysim::kExitOk;
        if (todaysim::run_translator_tool(options, status))
            return status;
        todaysim::Scenario scenario;
        if (!options.scenario.empty())
            scenario = todaysim::load_scenario(options.scenario);
        return todaysim::run(options, scenario);
    } catch (const todaysim::Failure& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return failure.status();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "todaysim: %s\n", error.what());
        return todaysim::kExitFailure;
    }
}

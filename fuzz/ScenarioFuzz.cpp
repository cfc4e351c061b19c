// SPDX-License-Identifier: MIT
// Fuzz target: arbitrary bytes as a todaysim scenario file. The reader accepts a scenario
// whose every field is in range, or refuses it with a usage error that names the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/scenario/Scenario.h"

namespace {

// Relative language files resolve here, where nothing exists.
const char kPath[] = "/nonexistent-fuzz-folder/scenario.json";

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "scenario reader: %s\n", what);
    std::abort();
}

void check_step(const todaysim::Step& step)
{
    using todaysim::StepKind;
    switch (step.kind) {
    case StepKind::Poll:
        if (step.count < 1 || step.count > 100000)
            fail("a poll count out of range was accepted");
        break;
    case StepKind::Tap:
        if (step.x < 0 || step.y < 0 || step.x > 32767 || step.y > 32767)
            fail("a tap point out of range was accepted");
        break;
    case StepKind::QueryFails:
        if (step.hresult && (!(*step.hresult & 0x80000000u) || *step.hresult == 0x8007007Au))
            fail("a query result that is no failure was accepted");
        break;
    case StepKind::EnumFailsAt:
        if (step.enum_index && (*step.enum_index < 0 || *step.enum_index > 1000000))
            fail("an enumeration index out of range was accepted");
        break;
    case StepKind::Png:
        if (step.path.empty())
            fail("a picture without a file name was accepted");
        break;
    case StepKind::GdiFailsFrom:
    case StepKind::HeapFailsFrom:
        if (step.fails_from && *step.fails_from < 1)
            fail("a failure count below 1 was accepted");
        break;
    default:
        break;
    }
    if (std::string(todaysim::step_name(step.kind)).empty())
        fail("a step without a name");
}

void check(const todaysim::Scenario& scenario)
{
    const todaysim::Device& d = scenario.device;
    if (d.dpi_x < 24 || d.dpi_x > 960 || d.dpi_y < 24 || d.dpi_y > 960)
        fail("a density out of range was accepted");
    if (d.font_size && (*d.font_size < 1 || *d.font_size > 400))
        fail("a font size out of range was accepted");
    if ((d.screen_width != 0 || d.screen_height != 0) &&
        (d.screen_width < 16 || d.screen_width > 4096 || d.screen_height < 16 || d.screen_height > 4096))
        fail("a screen size out of range was accepted");
    for (const todaysim::Destination& destination : scenario.destinations)
        if (destination.description.size() > 4 * 127)
            fail("a destination description longer than its record was accepted");
    for (const auto& file : scenario.language_files)
        if (file.first.empty() || file.first.find('/') != std::string::npos || file.second.empty())
            fail("a language file that is no plain name beside the plug-in was accepted");
    if (!scenario.has_steps && !scenario.steps.empty())
        fail("steps without a steps key");
    for (const todaysim::Step& step : scenario.steps)
        check_step(step);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        check(todaysim::parse_scenario(text, kPath));
    } catch (const todaysim::Failure& failure) {
        if (failure.status() != todaysim::kExitUsage)
            fail("a bad scenario was not reported as bad usage");
        // "file: field: expected ..." or "file:line:column: ..."
        const std::string message = failure.what();
        if (message.rfind(kPath, 0) != 0 || message.size() <= sizeof kPath ||
            (message[sizeof kPath - 1] != ':'))
            fail("a refusal does not begin with the file's name");
    }
    // Any other exception leaves this function and libFuzzer reports it.
    return 0;
}

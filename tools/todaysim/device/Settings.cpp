// SPDX-License-Identifier: MIT
// The device a run boots: the scenario's settings with the command line's overrides.
#include "tools/todaysim/device/Settings.h"

#include "tools/todaysim/scenario/Values.h"

namespace todaysim {

Device effective_device(const Scenario& scenario, const Options& options)
{
    Device device = scenario.device;
    // A screen class replaces the scenario's screen, density and font as a whole.
    if (options.screen_class) {
        device.dpi_x = device.dpi_y = options.screen_class->dpi;
        device.screen_width = options.screen_class->width;
        device.screen_height = options.screen_class->height;
        device.font_size_given = false;
    }
    if (options.screen) {
        device.screen_width = options.screen->first;
        device.screen_height = options.screen->second;
    }
    if (options.dpi) {
        device.dpi_x = options.dpi->x;
        device.dpi_y = options.dpi->y;
    }
    if (options.font_size_set)
        device.font_size = options.font_size;
    else if (!device.font_size_given)
        device.font_size = default_font_size(device.dpi_y);
    if (options.language)
        device.language = *options.language;
    // A Pocket PC screen is 240 x 320 at 96 dpi and keeps its physical size at other densities.
    if (device.screen_width == 0) {
        device.screen_width = 240 * device.dpi_x / 96;
        device.screen_height = 320 * device.dpi_y / 96;
    }
    return device;
}

}  // namespace todaysim

// SPDX-License-Identifier: MIT
// Scenario settings into the simulated device, pictures and counts out of it.
#include "tools/todaysim/device/Device.h"

#include <unistd.h>

#include <cstring>

#include "sim/aygshell/SimAygshell.h"
#include "sim/coredll/SimAcquire.h"
#include "sim/coredll/SimGdi.h"
#include "sim/coredll/SimKernel.h"
#include "sim/coredll/SimUser.h"

namespace todaysim {

std::string default_dll()
{
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return "Linkory.dll";
    std::string path(self, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + "Linkory.dll";
}

void run_short(const Step& step)
{
    const unsigned long from = static_cast<unsigned long>(step.fails_from.value_or(0));
    if (step.kind == StepKind::HeapFailsFrom)
        from ? sim::kernel::heap_fail_from(from) : sim::kernel::heap_fail_off();
    else
        from ? sim::acquire::fail_from(from) : sim::acquire::fail_off();
}

void configure_device(const Device& device)
{
    sim::gdi::set_screen(device.screen_width, device.screen_height, device.dpi_x, device.dpi_y);
    sim::aygshell::set_dpi(device.dpi_y);
    sim::aygshell::set_writes_nothing(!device.font_size.has_value());
    if (device.font_size)
        sim::aygshell::set_font_size_pixels(*device.font_size);
    sim::kernel::set_device_language(device.language);
}

Picture screen_picture()
{
    Picture picture;
    picture.width = sim::gdi::screen_width();
    picture.height = sim::gdi::screen_height();
    const uint32_t* pixels = sim::gdi::framebuffer();
    picture.rgb.resize(static_cast<size_t>(picture.width) * picture.height * 3);
    for (size_t i = 0; i < static_cast<size_t>(picture.width) * picture.height; ++i) {
        picture.rgb[3 * i] = static_cast<uint8_t>(pixels[i] >> 16);
        picture.rgb[3 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
        picture.rgb[3 * i + 2] = static_cast<uint8_t>(pixels[i]);
    }
    return picture;
}

LiveCounts live_counts()
{
    LiveCounts counts;
    counts.heap_blocks = static_cast<long>(sim::kernel::heap_stats().live_blocks);
    counts.gdi_objects = static_cast<long>(sim::gdi::live_objects());
    counts.windows = static_cast<long>(sim::user::live_windows());
    counts.icons = static_cast<long>(sim::gdi::live_icons());
    return counts;
}

}  // namespace todaysim

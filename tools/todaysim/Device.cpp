// SPDX-License-Identifier: MIT
// Scenario settings into the simulated device, pictures and counts out of it.
#include "tools/todaysim/Device.h"

#include <cstring>

#include "sim/aygshell/SimAygshell.h"
#include "sim/cellcore/SimConnMgr.h"
#include "sim/coredll/SimGdi.h"
#include "sim/coredll/SimKernel.h"
#include "sim/coredll/SimUser.h"
#include "tools/todaysim/Utf.h"

namespace todaysim {

Device effective_device(const Scenario& scenario, const Options& options)
{
    Device device = scenario.device;
    if (options.dpi) {
        device.dpi_x = options.dpi->x;
        device.dpi_y = options.dpi->y;
    }
    if (options.font_size_set)
        device.font_size = options.font_size;
    if (options.language)
        device.language = *options.language;
    // A Pocket PC screen is 240 x 320 at 96 dpi and keeps its physical size at other densities.
    if (device.screen_width == 0) {
        device.screen_width = 240 * device.dpi_x / 96;
        device.screen_height = 320 * device.dpi_y / 96;
    }
    return device;
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

void set_connections(const std::vector<Destination>& destinations, const std::vector<Connection>& connections)
{
    sim::cellcore::Model model;
    for (const Destination& d : destinations) {
        sim::cellcore::Destination destination;
        destination.guid = d.guid;
        destination.description = utf16_from_utf8(d.description);
        model.destinations.push_back(destination);
    }
    for (const Connection& c : connections) {
        sim::cellcore::Connection connection;
        if (c.description)
            connection.description = utf16_from_utf8(*c.description);
        connection.type = c.type;
        connection.subtype = c.subtype;
        connection.status = c.status;
        connection.destination = c.destination;
        for (const Address& a : c.addresses)
            connection.addresses.push_back(a.ipv6 ? sim::cellcore::Address::ipv6(a.bytes)
                                                  : sim::cellcore::Address::ipv4(a.bytes[0], a.bytes[1], a.bytes[2], a.bytes[3]));
        model.connections.push_back(connection);
    }
    sim::cellcore::set_model(std::move(model));
}

size_t use_live_connections()
{
    sim::cellcore::use_live_backend();
    return sim::cellcore::current_model().connections.size();
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

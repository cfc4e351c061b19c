// SPDX-License-Identifier: MIT
// Where the simulated Connection Manager gets its destinations and connections from.
#ifndef LINKORY_SIM_CELLCORE_BACKEND_H
#define LINKORY_SIM_CELLCORE_BACKEND_H

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/cellcore/SimConnMgr.h"

namespace sim::cellcore {

class Backend {
public:
    virtual ~Backend() = default;
    virtual std::vector<Destination> destinations() = 0;
    // One consistent view of all connections; a record chain is written from one view.
    virtual std::vector<Connection> connections() = 0;
};

// Serves a model set by a test or a scenario, unchanged until the next set_model.
class ScenarioBackend final : public Backend {
public:
    explicit ScenarioBackend(Model model) : model(std::move(model)) {}
    std::vector<Destination> destinations() override { return model.destinations; }
    std::vector<Connection> connections() override { return model.connections; }

private:
    Model model;
};

// What the live backend learns about one network interface of this machine.
struct InterfaceInfo {
    std::string name;
    bool up = false;
    bool running = false;
    bool loopback = false;
    unsigned arp_type = 0;    // /sys/class/net/<name>/type (ARPHRD_*)
    std::string devtype;      // DEVTYPE from uevent: "wlan", "wwan", "bluetooth", "wireguard", ...
    std::string driver;       // the bound device driver, empty for virtual interfaces
    bool wireless = false;    // has a wireless/ or phy80211 entry
    bool tun = false;         // tun/tap device (has tun_flags)
    bool default_route = false;
    std::vector<Address> ipv4;
    std::vector<Address> ipv6;
};

// The connection an interface appears as on the device; none for loopback.
std::optional<Connection> map_interface(const InterfaceInfo& info);

// Names of interfaces holding an active default route, from the text of /proc/net/route
// and /proc/net/ipv6_route (either may be empty).
std::set<std::string> default_route_interfaces(std::string_view ipv4_routes,
                                               std::string_view ipv6_routes);

// Reads this machine's interfaces (getifaddrs, sysfs, the routing tables).
std::vector<InterfaceInfo> read_interfaces();

// Maps the machine's interfaces on every call; "The Internet" and "Work" are its destinations.
class LiveBackend final : public Backend {
public:
    std::vector<Destination> destinations() override;
    std::vector<Connection> connections() override;
};

}  // namespace sim::cellcore

#endif

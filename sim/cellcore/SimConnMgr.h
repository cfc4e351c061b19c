// SPDX-License-Identifier: MIT
// Control of the simulated Connection Manager: its model, backend choice, fault injection, counters.
#ifndef LINKORY_SIM_CELLCORE_SIMCONNMGR_H
#define LINKORY_SIM_CELLCORE_SIMCONNMGR_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/connmgr.h"

namespace sim::cellcore {

// The well-known destinations a device offers out of the box.
extern const GUID kDestInternet;  // {436EF144-B4FB-4863-A041-8F905A62C572}
extern const GUID kDestWork;      // {A1182988-0D73-439E-87AD-2A5B369F808B}

bool same_guid(const GUID& a, const GUID& b);

struct Destination {
    GUID guid{};
    std::u16string description;  // handed out cut to CONNMGR_MAX_DESC - 1 characters
    bool secure = false;
};

// One IP address of a connection: 4 significant bytes for IPv4, 16 for IPv6, network order.
struct Address {
    enum class Family { IPv4, IPv6 };
    Family family = Family::IPv4;
    std::array<uint8_t, 16> bytes{};
    uint32_t scope_id = 0;  // IPv6 only

    static Address ipv4(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
    static Address ipv6(const std::array<uint8_t, 16>& bytes, uint32_t scope_id = 0);
};

struct Connection {
    std::optional<std::u16string> description;  // none: szDescription is null
    std::optional<std::u16string> adapter_name;
    DWORD type = CM_CONNTYPE_UNKNOWN;
    DWORD subtype = CM_CONNSUBTYPE_UNKNOWN;
    DWORD status = CONNMGR_STATUS_DISCONNECTED;
    std::vector<Address> addresses;  // empty: no address record at all
    GUID destination{};
    GUID source{};
    DWORD flags = 0;
    DWORD secure = 0;
    std::optional<DWORD> signal_quality;  // none: the field is not marked valid
};

struct Model {
    std::vector<Destination> destinations;
    std::vector<Connection> connections;
};

// Switches to the in-memory backend holding model (replacing any earlier model).
void set_model(Model model);
// Switches to the backend that reports this machine's network interfaces on every call.
void use_live_backend();
bool live_backend_active();
// What the current backend reports right now (the live backend reads the machine).
Model current_model();

// Every ConnMgrQueryDetailedStatus with valid arguments fails with result until stopped.
void fail_queries(HRESULT result);
void stop_failing_queries();
// ConnMgrEnumDestinations fails with E_FAIL for index and every index above it.
void fail_enumeration_from(int index);
void stop_failing_enumeration();

struct CallCounts {
    uint64_t query_detailed_status = 0;
    uint64_t enum_destinations = 0;
};
CallCounts call_counts();
void reset_call_counts();

// A fresh boot: empty in-memory model, no injected faults, counters at zero.
void reset();

}  // namespace sim::cellcore

#endif

// SPDX-License-Identifier: MIT
// The two Connection Manager calls of cellcore.dll and the state behind their control API.
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "sim/cellcore/Backend.h"
#include "sim/cellcore/RecordWriter.h"
#include "sim/cellcore/SimConnMgr.h"
#include "sim/common/Violations.h"
#include "sim/coredll/Sim.h"

namespace sim::cellcore {

const GUID kDestInternet = {0x436EF144, 0xB4FB, 0x4863, {0xA0, 0x41, 0x8F, 0x90, 0x5A, 0x62, 0xC5, 0x72}};
const GUID kDestWork = {0xA1182988, 0x0D73, 0x439E, {0x87, 0xAD, 0x2A, 0x5B, 0x36, 0x9F, 0x80, 0x8B}};

bool same_guid(const GUID& a, const GUID& b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) == 0;
}

Address Address::ipv4(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    Address out;
    out.bytes[0] = a;
    out.bytes[1] = b;
    out.bytes[2] = c;
    out.bytes[3] = d;
    return out;
}

Address Address::ipv6(const std::array<uint8_t, 16>& bytes, uint32_t scope_id)
{
    Address out;
    out.family = Family::IPv6;
    out.bytes = bytes;
    out.scope_id = scope_id;
    return out;
}

namespace {

struct State {
    std::mutex lock;
    std::unique_ptr<Backend> backend = std::make_unique<ScenarioBackend>(Model{});
    bool live = false;
    std::optional<HRESULT> query_failure;
    std::optional<int> enum_failure_from;
    CallCounts counts;
};

State& state()
{
    static State s;
    return s;
}

const sim::ResetRegistration reset_registration("cellcore", &reset);

}  // namespace

void set_model(Model model)
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.backend = std::make_unique<ScenarioBackend>(std::move(model));
    s.live = false;
}

void use_live_backend()
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.backend = std::make_unique<LiveBackend>();
    s.live = true;
}

bool live_backend_active()
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.live;
}

Model current_model()
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return Model{s.backend->destinations(), s.backend->connections()};
}

void fail_queries(HRESULT result)
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (SUCCEEDED(result)) {
        // A "failure" that reads as success would hand out an unwritten buffer.
        sim::report_violation("sim::cellcore::fail_queries", "result " + std::to_string(result) + " is not a failure");
        return;
    }
    s.query_failure = result;
}

void stop_failing_queries()
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.query_failure.reset();
}

void fail_enumeration_from(int index)
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.enum_failure_from = index;
}

void stop_failing_enumeration()
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.enum_failure_from.reset();
}

CallCounts call_counts()
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.counts;
}

void reset_call_counts()
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.counts = CallCounts{};
}

void reset()
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.backend = std::make_unique<ScenarioBackend>(Model{});
    s.live = false;
    s.query_failure.reset();
    s.enum_failure_from.reset();
    s.counts = CallCounts{};
}

}  // namespace sim::cellcore

using namespace sim::cellcore;

// ConnMgrQueryDetailedStatus (cellcore.dll). *size changes only when more room is needed.
// With no connections at all the call succeeds and clears the first record's worth of the
// buffer, so a buffer reused from an earlier query shows no stale chain.
extern "C" HRESULT WINAPI ConnMgrQueryDetailedStatus(CONNMGR_CONNECTION_DETAILED_STATUS* buffer, DWORD* size)
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    ++s.counts.query_detailed_status;
    if (!size)
        return E_INVALIDARG;
    if (s.query_failure)
        return *s.query_failure;

    std::vector<Connection> connections = s.backend->connections();
    size_t needed = chain_size(connections);
    if (needed > 0xFFFFFFFFu)
        return E_OUTOFMEMORY;
    if (connections.empty()) {
        if (buffer)
            std::memset(buffer, 0, std::min<size_t>(*size, sizeof(*buffer)));
        return S_OK;
    }
    if (!buffer || *size < needed) {
        *size = static_cast<DWORD>(needed);
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    if (reinterpret_cast<uintptr_t>(buffer) % kChainAlignment != 0) {
        // The device's records hold pointers; a misaligned chain faults on ARM.
        sim::report_violation("ConnMgrQueryDetailedStatus", "buffer is not aligned for its records");
        return E_INVALIDARG;
    }
    write_chain(connections, buffer);
    return S_OK;
}

// ConnMgrEnumDestinations (cellcore.dll). Past the last destination the result is E_FAIL.
extern "C" HRESULT WINAPI ConnMgrEnumDestinations(int index, CONNMGR_DESTINATION_INFO* info)
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    ++s.counts.enum_destinations;
    if (!info || index < 0)
        return E_INVALIDARG;
    if (s.enum_failure_from && index >= *s.enum_failure_from)
        return E_FAIL;

    std::vector<Destination> destinations = s.backend->destinations();
    if (static_cast<size_t>(index) >= destinations.size())
        return E_FAIL;
    const Destination& d = destinations[static_cast<size_t>(index)];
    std::memset(info, 0, sizeof(*info));
    info->guid = d.guid;
    size_t length = std::min<size_t>(d.description.size(), CONNMGR_MAX_DESC - 1);
    std::memcpy(info->szDescription, d.description.data(), length * sizeof(WCHAR));
    info->fSecure = d.secure ? TRUE : FALSE;
    return S_OK;
}

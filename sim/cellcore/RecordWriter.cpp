// SPDX-License-Identifier: MIT
// The detailed-status record chain: one layout pass that either measures or writes.
#include "sim/cellcore/RecordWriter.h"

#include <cstdint>
#include <cstring>

namespace sim::cellcore {
namespace {

using Record = CONNMGR_CONNECTION_DETAILED_STATUS;

// Hands out offsets in the order the chain is laid out; with no base it only measures,
// so the size asked for and the bytes written can never disagree.
class Layout {
public:
    explicit Layout(unsigned char* base) : base(base) {}

    size_t take(size_t size, size_t align)
    {
        end = (end + align - 1) / align * align;
        size_t at = end;
        end += size;
        return at;
    }
    template <typename T>
    T* at(size_t offset) const
    {
        return base ? reinterpret_cast<T*>(base + offset) : nullptr;
    }
    size_t size() const { return end; }
    bool writing() const { return base != nullptr; }

private:
    unsigned char* base;
    size_t end = 0;
};

size_t ipaddr_size(size_t count)
{
    return offsetof(CONNMGR_CONNECTION_IPADDR, IPAddr) + count * sizeof(CONNMGR_SOCKADDR);
}

WCHAR* place_string(Layout& layout, const std::u16string& text)
{
    size_t bytes = (text.size() + 1) * sizeof(WCHAR);
    WCHAR* out = layout.at<WCHAR>(layout.take(bytes, alignof(WCHAR)));
    if (out) {
        std::memcpy(out, text.data(), text.size() * sizeof(WCHAR));
        out[text.size()] = 0;
    }
    return out;
}

// An IPv4 entry is a sockaddr_in; an IPv6 entry a sockaddr_in6 (family, port, flowinfo,
// the 16 address bytes, scope id) in the same 128 bytes.
void fill_entry(CONNMGR_SOCKADDR& entry, const Address& address)
{
    std::memset(&entry, 0, sizeof(entry));
    if (address.family == Address::Family::IPv4) {
        entry.ss_family = CONNMGR_AF_INET;
        std::memcpy(entry.sin_addr, address.bytes.data(), 4);
        return;
    }
    entry.ss_family = CONNMGR_AF_INET6;
    std::memcpy(entry.reserved, address.bytes.data(), 16);
    std::memcpy(entry.reserved + 16, &address.scope_id, sizeof(address.scope_id));
}

CONNMGR_CONNECTION_IPADDR* place_addresses(Layout& layout, const std::vector<Address>& addresses)
{
    size_t offset = layout.take(ipaddr_size(addresses.size()), alignof(CONNMGR_CONNECTION_IPADDR));
    auto* record = layout.at<CONNMGR_CONNECTION_IPADDR>(offset);
    if (!record)
        return nullptr;
    record->cIPAddr = static_cast<DWORD>(addresses.size());
    // Entries run past the declared one-element array, so address them from the record's bytes.
    unsigned char* entries = reinterpret_cast<unsigned char*>(record) + offsetof(CONNMGR_CONNECTION_IPADDR, IPAddr);
    for (size_t i = 0; i < addresses.size(); ++i) {
        CONNMGR_SOCKADDR entry;
        fill_entry(entry, addresses[i]);
        std::memcpy(entries + i * sizeof(CONNMGR_SOCKADDR), &entry, sizeof(entry));
    }
    return record;
}

DWORD valid_params(const Connection& c)
{
    DWORD params = CONNMGRDETAILEDSTATUS_PARAM_TYPE | CONNMGRDETAILEDSTATUS_PARAM_SUBTYPE |
                   CONNMGRDETAILEDSTATUS_PARAM_DESTNET | CONNMGRDETAILEDSTATUS_PARAM_SOURCENET |
                   CONNMGRDETAILEDSTATUS_PARAM_FLAGS | CONNMGRDETAILEDSTATUS_PARAM_SECURE |
                   CONNMGRDETAILEDSTATUS_PARAM_CONNSTATUS;
    if (c.description)
        params |= CONNMGRDETAILEDSTATUS_PARAM_DESCRIPTION;
    if (c.adapter_name)
        params |= CONNMGRDETAILEDSTATUS_PARAM_ADAPTERNAME;
    if (c.signal_quality)
        params |= CONNMGRDETAILEDSTATUS_PARAM_SIGNALQUALITY;
    if (!c.addresses.empty())
        params |= CONNMGRDETAILEDSTATUS_PARAM_IPADDR;
    return params;
}

void lay_out(const std::vector<Connection>& connections, Layout& layout)
{
    Record* previous = nullptr;
    for (const Connection& c : connections) {
        Record* record = layout.at<Record>(layout.take(sizeof(Record), alignof(Record)));
        WCHAR* description = c.description ? place_string(layout, *c.description) : nullptr;
        WCHAR* adapter = c.adapter_name ? place_string(layout, *c.adapter_name) : nullptr;
        CONNMGR_CONNECTION_IPADDR* ip = c.addresses.empty() ? nullptr : place_addresses(layout, c.addresses);
        if (!layout.writing())
            continue;
        // No connect time is modelled: LastConnectTime stays zero and is not marked valid.
        record->dwVer = CONNMGRDETAILEDSTATUS_VERSION;
        record->dwParams = valid_params(c);
        record->dwType = c.type;
        record->dwSubtype = c.subtype;
        record->dwFlags = c.flags;
        record->dwSecure = c.secure;
        record->guidDestNet = c.destination;
        record->guidSourceNet = c.source;
        record->szDescription = description;
        record->szAdapterName = adapter;
        record->dwConnectionStatus = c.status;
        record->dwSignalQuality = c.signal_quality.value_or(0);
        record->pIPAddr = ip;
        if (previous)
            previous->pNext = record;
        previous = record;
    }
}

}  // namespace

size_t chain_size(const std::vector<Connection>& connections)
{
    Layout measure(nullptr);
    lay_out(connections, measure);
    return measure.size();
}

void write_chain(const std::vector<Connection>& connections, void* buffer)
{
    // Padding between the pieces is zeroed too, so equal models give equal bytes.
    std::memset(buffer, 0, chain_size(connections));
    Layout layout(static_cast<unsigned char*>(buffer));
    lay_out(connections, layout);
}

}  // namespace sim::cellcore

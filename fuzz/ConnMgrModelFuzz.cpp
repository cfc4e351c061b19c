// SPDX-License-Identifier: MIT
// Fuzz target: the connection item fed arbitrary Connection Manager models, polled and painted.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "fuzz/ItemRig.h"
#include "sim/cellcore/SimConnMgr.h"
#include "sim/coredll/SimKernel.h"

namespace {

using sim::cellcore::Address;
using sim::cellcore::Connection;
using sim::cellcore::Destination;
using sim::cellcore::Model;

// A few GUIDs so that destinations and connections meet often; anything else is random.
GUID pick_guid(fuzz::Reader& in)
{
    GUID guid{};
    uint8_t choice = in.byte();
    switch (choice % 4) {
    case 0:
        return sim::cellcore::kDestInternet;
    case 1:
        return sim::cellcore::kDestWork;
    case 2:
        return guid;
    default:
        guid.Data1 = in.u32();
        guid.Data2 = uint16_t(in.u32());
        for (unsigned char& b : guid.Data4)
            b = in.byte();
        return guid;
    }
}

// Mostly small codes that hit the naming table, sometimes any 32-bit value.
DWORD pick_code(fuzz::Reader& in)
{
    uint8_t b = in.byte();
    return b < 0xF0 ? DWORD(b % 12) : in.u32();
}

std::u16string description(fuzz::Reader& in)
{
    uint8_t b = in.byte();
    if (b % 5 == 0)
        return std::u16string(CONNMGR_MAX_DESC - 1, u'D');
    return in.text(CONNMGR_MAX_DESC + 8);
}

// Every connection description handed to the Connection Manager for this input.
std::vector<std::u16string> descriptions;

bool described(const std::u16string& text)
{
    // Drawn as a C string: a description ends at its first NUL unit.
    for (const std::u16string& d : descriptions)
        if (d.substr(0, d.find(u'\0')) == text)
            return true;
    return false;
}

Connection connection(fuzz::Reader& in)
{
    Connection c;
    if (in.byte() % 3 != 0) {
        c.description = description(in);
        descriptions.push_back(*c.description);
    }
    c.type = pick_code(in);
    c.subtype = pick_code(in);
    uint8_t status = in.byte();
    c.status = status < 0xA0 ? CONNMGR_STATUS_CONNECTED : status < 0xF0 ? DWORD(status) : in.u32();
    for (int n = in.byte() % 5; n > 0; --n) {
        if (in.byte() & 1) {
            std::array<uint8_t, 16> bytes{};
            for (uint8_t& b : bytes)
                b = in.byte();
            c.addresses.push_back(Address::ipv6(bytes, in.byte()));
        } else {
            c.addresses.push_back(Address::ipv4(in.byte(), in.byte(), in.byte(), in.byte()));
        }
    }
    c.destination = pick_guid(in);
    return c;
}

Model model(fuzz::Reader& in)
{
    Model m;
    for (int n = in.byte() % 6; n > 0; --n)
        m.destinations.push_back(Destination{pick_guid(in), description(in), bool(in.byte() & 1)});
    for (int n = in.byte() % 24; n > 0; --n)
        m.connections.push_back(connection(in));
    return m;
}

// One step of the host, or a change of what the Connection Manager does.
void step(fuzz::Reader& in, fuzz::ItemRig& rig)
{
    uint8_t op = in.byte();
    switch (op % 8) {
    case 0:
    case 1:
        rig.poll();
        break;
    case 2:
        rig.action();
        break;
    case 3:
        rig.paint_unguarded();
        break;
    case 4:
        sim::cellcore::set_model(model(in));
        break;
    case 5:
        if (in.byte() & 1)
            sim::cellcore::fail_queries(in.byte() & 1 ? HRESULT(0x8007007A) : HRESULT(0x80004005));
        else
            sim::cellcore::stop_failing_queries();
        break;
    case 6:
        if (in.byte() & 1)
            sim::cellcore::fail_enumeration_from(in.byte() % 4);
        else
            sim::cellcore::stop_failing_enumeration();
        break;
    default:
        // One allocation of the next poll fails: the item must keep going on what it has.
        sim::kernel::heap_fail_nth(1 + in.byte() % 32);
        rig.poll();
        sim::kernel::heap_fail_off();
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::boot_host();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Reader in(data, size);
    descriptions.clear();
    fuzz::take_drawn_texts();
    sim::cellcore::reset();
    sim::cellcore::set_model(model(in));
    const fuzz::LiveCounts before = fuzz::live_counts();
    {
        // No language table: every text is its built-in default.
        fuzz::ItemRig rig(nullptr);
        for (int steps = 0; steps < 64 && !in.done(); ++steps)
            step(in, rig);
        rig.poll();
        rig.action();
        rig.paint_unguarded();
    }
    fuzz::expect_clean(before, "polls and paints");
    // Lines the item formats are cut to 63 characters; a description is drawn as it comes,
    // and the Connection Manager cuts no connection's description.
    for (const std::u16string& text : fuzz::take_drawn_texts()) {
        if (text.size() > 63 && !described(text)) {
            std::fprintf(stderr, "a formatted line of %zu characters was drawn:", text.size());
            for (char16_t unit : text)
                std::fprintf(stderr, " %04X", unsigned(unit));
            std::fprintf(stderr, "\n");
            std::abort();
        }
    }
    return 0;
}

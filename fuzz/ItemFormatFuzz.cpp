// SPDX-License-Identifier: MIT
// Fuzz target: the header and detail lines painted with arbitrary translated texts and labels.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "fuzz/ItemRig.h"
#include "intl/IntlTable.h"
#include "sim/aygshell/SimAygshell.h"
#include "sim/cellcore/SimConnMgr.h"
#include "sim/coredll/SimGdi.h"
#include "sim/coredll/SimKernel.h"

namespace {

const unsigned kLanguage = 0x0409;
// Every line the item formats itself fits this many characters and its terminator.
const size_t kLineChars = 63;
const int kMainNumbers[] = {1, 2, 3, 4, 5, 6, 7};
const int kTypeNumbers[] = {100, 102, 400, 800};
const int kDensities[] = {96, 131, 192, 72};

const std::u16string kLongDescription(127, u'W');

std::u16string number(int id)
{
    std::string digits = std::to_string(id);
    return std::u16string(digits.begin(), digits.end());
}

// "[Main]" with numbers 1 to 7 and "[ConnType]" with a few names, the texts from the input.
std::u16string language_file(fuzz::Reader& in)
{
    std::u16string file = u"\uFEFF[Main]\r\n";
    for (int id : kMainNumbers)
        file += number(id) + u"=" + in.text(160) + u"\r\n";
    file += u"[ConnType]\r\n";
    for (int id : kTypeNumbers)
        file += number(id) + u"=" + in.text(160) + u"\r\n";
    return file;
}

// Two connected connections that use every line of a block (a 127-character description
// and destination, no description, no address, an unknown destination) and one that is not.
sim::cellcore::Model model()
{
    sim::cellcore::Model m;
    m.destinations.push_back({sim::cellcore::kDestInternet, kLongDescription, false});
    sim::cellcore::Connection first;
    first.description = kLongDescription;
    first.type = 1;
    first.subtype = 2;
    first.status = CONNMGR_STATUS_CONNECTED;
    first.addresses.push_back(sim::cellcore::Address::ipv4(255, 255, 255, 255));
    first.destination = sim::cellcore::kDestInternet;
    sim::cellcore::Connection second;
    second.type = 4;
    second.subtype = 2;
    second.status = CONNMGR_STATUS_CONNECTED;
    second.destination = sim::cellcore::kDestWork;
    sim::cellcore::Connection idle = first;
    idle.status = CONNMGR_STATUS_DISCONNECTED;
    m.connections = {first, idle, second};
    return m;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    sim::kernel::set_device_language(kLanguage);
    fuzz::boot_host();
    sim::cellcore::set_model(model());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Reader in(data, size);
    int dpi = kDensities[in.byte() % 4];
    sim::gdi::set_screen(240 * dpi / 96, 320 * dpi / 96, dpi, dpi);
    sim::aygshell::set_font_size_pixels(1 + in.byte() % 40);
    std::u16string file = language_file(in);
    fuzz::write_language_file(kLanguage, reinterpret_cast<const uint8_t*>(file.data()), file.size() * 2);

    const fuzz::LiveCounts before = fuzz::live_counts();
    CIntlTable* table = new (std::nothrow) CIntlTable();
    if (!table)
        std::abort();
    table->Load(fuzz::module(), 0);
    {
        fuzz::ItemRig rig(table);
        rig.poll();
        rig.action();
        rig.paint_unguarded();
    }
    delete table;
    fuzz::expect_clean(before, "paint with translated texts");

    // Only a connection's own description is drawn as it comes; every other line is cut.
    for (const std::u16string& text : fuzz::take_drawn_texts()) {
        if (text.size() > kLineChars && text != kLongDescription) {
            std::fprintf(stderr, "a formatted line of %zu characters was drawn\n", text.size());
            std::abort();
        }
    }
    return 0;
}

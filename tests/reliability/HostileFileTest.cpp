// SPDX-License-Identifier: MIT
// Language files written by an attacker: each loads or is refused without harm, and the item paints.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

#include "reliability/ReliabilityFixture.h"
#include "reliability/Story.h"
#include "sim/coredll/SimKernel.h"

namespace {

using namespace reliability;
using Texts = std::vector<std::u16string>;

// Every line the item formats itself is cut to this many characters.
const size_t kLineChars = 63;

std::string Committed(const char* name)
{
    std::ifstream in(std::string(LINKORY_HOSTILE_DIR "/") + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::u16string Repeat(char16_t unit, size_t count)
{
    return std::u16string(count, unit);
}

// A file of exactly `bytes` bytes: "[Main]", "1=" and one line of 'M' to the end.
std::string OneHugeLine(size_t bytes)
{
    std::u16string head = u"[Main]\r\n1=";
    return Utf16File(head + Repeat(u'M', (bytes - 2) / 2 - head.size()));
}

// About `bytes` bytes of lines after "[Main]", then text 1.
std::string ManyLines(size_t bytes, const std::u16string& line)
{
    std::u16string text = u"[Main]\r\n";
    while ((text.size() + line.size()) * 2 < bytes - 64)
        text += line;
    return Utf16File(text + u"1=Gerade noch\r\n");
}

std::string ManySections(bool oneLine)
{
    std::u16string text;
    for (int i = 0; i < 10000; ++i) {
        std::string name = std::to_string(i);
        text += u"[" + std::u16string(name.begin(), name.end()) + u"]";
        if (!oneLine)
            text += u"\r\n";
    }
    return Utf16File(text + u"\r\n[Main]\r\n1=Gefunden\r\n2=Gefunden: %u\r\n");
}

std::string LongLines(size_t n)
{
    return Utf16File(u"[Main]\r\n1=" + Repeat(u'L', n) + u"\r\n2=" + Repeat(u'H', n) + u"%u\r\n3=" +
                     Repeat(u'I', n) + u"\r\n" + Repeat(u'7', n) + u"=a number of many digits\r\n[" +
                     Repeat(u'S', n) + u"]\r\n1=in a section of a long name\r\n[ConnType]\r\n100=" +
                     Repeat(u'C', n) + u"\r\n");
}

// A line of exactly `units` units (break not counted) holding text 1.
std::string OneLineOf(size_t units)
{
    return Utf16File(u"[Main]\r\n1=" + Repeat(u'L', units - 2) + u"\r\n");
}

struct Case {
    const char* name;
    std::function<std::string()> bytes;
    // What a paint with no connection and an expanded paint of ThreeConnected() show.
    std::function<void(const Texts& idle, const Texts& expanded)> check;
};

void DefaultHeader(const Texts&, const Texts& expanded)
{
    EXPECT_EQ(expanded[0], u"Active Connections: 3");
}

// A refused file leaves every text at its built-in default.
void Refused(const Texts& idle, const Texts& expanded)
{
    EXPECT_EQ(idle, Texts{u"No active connections"});
    EXPECT_EQ(expanded, ExpandedTexts(Language::English));
}

const Case kCases[] = {
    {"text 2 with %s%s%s%n, labels too", [] { return Committed("text2_pointer_writes.intl"); },
     [](const Texts& idle, const Texts& expanded) {
         EXPECT_EQ(idle, Texts{u"No active connections"});
         DefaultHeader(idle, expanded);
         EXPECT_EQ(expanded[2], u"%s%s%s%n: 10.0.0.5") << "a label is shown, never used as a format";
         EXPECT_EQ(expanded[3], u"%n%n: %s%s%s%n/GPRS");
     }},
    {"text 2 with %100000u", [] { return Committed("text2_huge_width.intl"); },
     [](const Texts&, const Texts& expanded) { EXPECT_EQ(expanded[0], Repeat(u' ', kLineChars)); }},
    {"text 2 with %u%u", [] { return Committed("text2_two_counts.intl"); }, DefaultHeader},
    {"odd final byte", [] { return Committed("odd_final_byte.intl"); },
     [](const Texts& idle, const Texts& expanded) {
         EXPECT_EQ(idle, Texts{u"Odd"});
         EXPECT_EQ(expanded[0], u"Odd: 3");
     }},
    {"NUL units inside lines", [] { return Committed("nul_units.intl"); },
     [](const Texts& idle, const Texts& expanded) {
         EXPECT_EQ(idle, Texts{u"Before"});
         EXPECT_EQ(expanded[0], u"Aktiv: 3");
         EXPECT_EQ(expanded[2], u"IP Address: 10.0.0.5") << "a line that starts with NUL is no entry";
     }},
    {"unpaired surrogates", [] { return Committed("unpaired_surrogates.intl"); },
     [](const Texts& idle, const Texts& expanded) {
         EXPECT_EQ(idle, Texts{u"\xD800high \xDC00low"});
         EXPECT_EQ(expanded[0], u"\xD83D 3");
         EXPECT_EQ(expanded[2], u"\xDC00: 10.0.0.5");
     }},
    {"a line of 4096 units", [] { return OneLineOf(4096); },
     [](const Texts& idle, const Texts&) { EXPECT_EQ(idle, Texts{Repeat(u'L', 4094)}); }},
    {"a line of 4097 units", [] { return OneLineOf(4097); }, Refused},
    {"lines of 100,000 characters", [] { return LongLines(100000); }, Refused},
    {"lines just short of the file's limit", [] { return ManyLines(60000, u"9=" + Repeat(u'x', 96) + u"\r\n"); },
     [](const Texts& idle, const Texts&) { EXPECT_EQ(idle, Texts{u"Gerade noch"}); }},
    {"10 MB of ordinary lines", [] { return ManyLines(10u << 20, u"9=" + Repeat(u'x', 96) + u"\r\n"); }, Refused},
    {"10 MB of tiny entries", [] { return ManyLines(10u << 20, u"1=\r\n"); }, Refused},
    {"10 MB in one line", [] { return OneHugeLine(10u << 20); }, Refused},
    {"10,000 section headers", [] { return ManySections(false); }, Refused},
    {"10,000 section headers in one line", [] { return ManySections(true); }, Refused},
};

using HostileLanguageFile = ReliabilityFixture;

TEST_F(HostileLanguageFile, LoadsOrIsRefusedAndTheItemStillPaints)
{
    StartHost();
    const LiveCounts start = Live();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        WriteFile("Linkory.0409.intl", c.bytes());
        sim::cellcore::set_model(sim::cellcore::Model{});
        // Loading a file grows the line buffer and the sections' arrays one step at a time;
        // a hostile file must not turn that into millions of steps.
        const unsigned long reallocations = sim::kernel::heap_stats().reallocations;
        Load();
        EXPECT_LT(sim::kernel::heap_stats().reallocations - reallocations, 40000u);
        ASSERT_NE(Window(), nullptr);
        host->poll();
        PaintItem();
        const Texts idle = TakeTexts();

        sim::cellcore::set_model(ThreeConnected());
        Toggle();
        host->poll();
        PaintItem();
        const Texts expanded = TakeTexts();
        ASSERT_EQ(expanded.size(), ExpandedTexts(Language::English).size());
        c.check(idle, expanded);
        // Only a connection's own description is drawn as it comes; every other line is cut.
        for (size_t i : {0, 2, 3, 4, 6, 7, 8, 9, 10, 11})
            EXPECT_LE(expanded[i].size(), kLineChars) << "line " << i;

        host->unload_all();
        EXPECT_TRUE(Live() == start) << Describe(Live());
        if (HasFailure())
            return;
    }
}

}  // namespace

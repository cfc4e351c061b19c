// SPDX-License-Identifier: MIT
// Soak: Linkory.dll polled a hundred thousand times while connections come and go.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "reliability/ReliabilityFixture.h"
#include "reliability/Story.h"

namespace {

using namespace reliability;
namespace cm = sim::cellcore;

const int kPollsPerCycle = 10;

// LINKORY_SOAK_POLLS overrides the number of polls (rounded up to whole cycles).
long SoakPolls()
{
    const char* polls = std::getenv("LINKORY_SOAK_POLLS");
    long n = polls ? std::atol(polls) : 100000;
    return n > kPollsPerCycle ? n : kPollsPerCycle;
}

cm::Model OneConnected()
{
    cm::Model model = ThreeConnected();
    model.connections.resize(1);
    return model;
}

// Two up, with other addresses than before: the count alone does not tell the change.
cm::Model TwoMoved()
{
    cm::Model model = ThreeConnected();
    model.connections.resize(3);
    model.connections[0].addresses = {cm::Address::ipv4(10, 9, 8, 7)};
    model.connections[2].addresses = {};
    return model;
}

cm::Model NoneConnected()
{
    cm::Model model = ThreeConnected();
    model.connections = {model.connections[1]};
    return model;
}

using Soak = ReliabilityFixture;

TEST_F(Soak, PollsWithConnectionsComingAndGoingKeepEverythingConstant)
{
    Load();
    ASSERT_NE(Window(), nullptr);
    // One cycle: connections come, grow, move, the query and the enumeration fail and
    // recover, everything goes; the detail block flips once per cycle.
    const std::function<void()> steps[kPollsPerCycle] = {
        [] { cm::set_model(OneConnected()); },
        [] { cm::set_model(ThreeConnected()); },
        [this] { Toggle(); },
        [] { cm::set_model(TwoMoved()); },
        [] { cm::fail_queries(HRESULT(0x80004005)); },
        [] { cm::stop_failing_queries(); },
        [] { cm::fail_enumeration_from(1); },
        [] { cm::stop_failing_enumeration(); },
        [] { cm::set_model(NoneConnected()); },
        [] {},
    };

    const long cycles = (SoakPolls() + kPollsPerCycle - 1) / kPollsPerCycle;
    LiveCounts first{};
    DWORD firstHeight = 0;
    long polls = 0;
    for (long cycle = 0; cycle < cycles; ++cycle) {
        for (const auto& step : steps) {
            step();
            host->poll();
            ++polls;
        }
        const LiveCounts now = Live();
        if (cycle == 0) {
            first = now;
            firstHeight = host->record(0)->cyp;
            continue;
        }
        ASSERT_TRUE(now == first) << "cycle " << cycle << ": " << Describe(now) << "\nfirst cycle: "
                                  << Describe(first);
        ASSERT_EQ(host->record(0)->cyp, firstHeight) << "cycle " << cycle;
    }
    std::printf("[  SOAK    ] %ld polls in %ld cycles; constant: %s\n", polls, cycles, Describe(first).c_str());
    RecordProperty("polls", int(polls));

    // The last cycle ended with nothing up; one connection coming up still shows.
    cm::set_model(ThreeConnected());
    host->poll();
    PaintItem();
    std::vector<std::u16string> texts = TakeTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], u"Active Connections: 3");
}

}  // namespace

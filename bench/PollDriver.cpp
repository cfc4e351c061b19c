// SPDX-License-Identifier: MIT
// Runs polls or expanded paints of Linkory.dll under callgrind, measuring only the repeated ones.
//
//   linkory_poll_driver poll|paint D C N
//
// Sets up the item with D destinations and C connected connections (expanded for paint),
// warms up, zeroes callgrind's counters, performs N operations and dumps the counters
// with the reason "measured". Which functions are collected is up to callgrind's command
// line (--toggle-collect), so the same run measures a poll, a paint or a lookup inside it.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/TodayRig.h"

#if defined(__has_include)
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define LINKORY_HAVE_CALLGRIND 1
#endif
#endif

namespace {

int usage()
{
    std::fprintf(stderr, "usage: linkory_poll_driver poll|paint D C N\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
#ifndef LINKORY_HAVE_CALLGRIND
    (void)argc, (void)argv;
    std::fprintf(stderr, "linkory_poll_driver: built without valgrind/callgrind.h, nothing to measure\n");
    return 1;
#else
    if (argc != 5)
        return usage();
    const bool paint = std::strcmp(argv[1], "paint") == 0;
    if (!paint && std::strcmp(argv[1], "poll") != 0)
        return usage();
    const int destinations = std::atoi(argv[2]);
    const int connections = std::atoi(argv[3]);
    const int operations = std::atoi(argv[4]);
    if (destinations < 0 || connections < 0 || operations < 1)
        return usage();

    int status = 0;
    {
        bench::TodayRig rig(destinations, connections);
        if (!rig.ok()) {
            std::fprintf(stderr, "linkory_poll_driver: %s\n", rig.failure().c_str());
            return 1;
        }
        if (paint) {
            rig.Action();
            rig.Poll();
        }
        for (int i = 0; i < 3; ++i)
            paint ? rig.Paint() : static_cast<void>(rig.Poll());

        CALLGRIND_ZERO_STATS;
        for (int i = 0; i < operations; ++i)
            paint ? rig.Paint() : static_cast<void>(rig.Poll());
        CALLGRIND_DUMP_STATS_AT("measured");

        std::string violations = rig.Violations();
        if (!violations.empty()) {
            std::fprintf(stderr, "linkory_poll_driver: the plug-in misused the device:\n%s", violations.c_str());
            status = 1;
        }
    }
    std::printf("%s D=%d C=%d operations=%d\n", argv[1], destinations, connections, operations);
    return status;
#endif
}

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the test preset (ASan + UBSan) and runs every test, then the ARM tier (the plug-in
# and the simulated device as ARM code under qemu-arm) and the Wine tier (the Win32 build
# under Wine), each compared with the simulated device.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test
# The plug-in as the device's compilers take it: C++98, ARM code, the device's record layouts.
scripts/device-compile.sh
cmake --preset test
cmake --build --preset test
ctest --preset test "$@"
# About a minute of every fuzz target from its seeds, then one todaysim run under memcheck,
# built without sanitizers (valgrind cannot run them): no error, nothing definitely lost.
scripts/fuzz.sh
cmake --preset default
cmake --build --preset default --target todaysim Linkory
valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite --error-exitcode=1 \
  build/default/bin/todaysim --scenario tests/reliability/valgrind.json -q --png build/default/memcheck.png
# The same runs as ARMv5TE code under qemu-arm, against this x86-64 build's traces.
scripts/arm-test.sh build/default/bin
scripts/win32-test.sh "$@"
# The mutation tool's own tests and a short pass over one small file: the tool works (the
# full pass is scripts/mutate.sh).
PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -m unittest discover -s tools/mutate -p 'test_*.py' -q
/usr/bin/python3 tools/mutate/mutate.py run --sample --out build/mutate-sample

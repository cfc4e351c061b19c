#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Wine tier: builds Linkory.dll, the stand-in DLLs and todaysim.exe with mingw-w64, runs
# their tests under Wine on a virtual display, then runs scenarios under Wine and on the
# simulated device and compares them. Extra arguments go to every ctest run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
root=$(pwd)

cmake --preset win32
cmake --build --preset win32

# A plain Linux build for the comparison: its todaysim and the test that runs both.
cmake -S . -B build/win32-sim -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLINKORY_WIN32_DIR="$root/build/win32"
cmake --build build/win32-sim --target todaysim win32_compare_tests

# The prefix lives in the build folder; its first start takes a few seconds. No Mono or
# Gecko: nothing here needs them, and their installers would wait for a click.
export WINEPREFIX="$root/build/win32/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  status=0
  # A Wine left over from an interrupted run would still talk to its old display.
  wineserver -k >/dev/null 2>&1 || true
  wineboot --init >/dev/null 2>&1 || status=1
  ctest --test-dir build/win32 --output-on-failure -j2 "$@" || status=1
  ctest --test-dir build/win32-sim -R "^WineAgainstSimulator[.]" --output-on-failure "$@" || status=1
  # The X server goes with xvfb-run: let Wine finish with it first.
  wineserver -w
  exit $status
' win32-test "$@"

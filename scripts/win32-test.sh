#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Wine tier: builds Linkory.dll, the stand-in DLLs and todaysim.exe with mingw-w64, runs
# their tests under Wine on a virtual display, then runs scenarios under Wine and on the
# simulated device and compares them. It does so for the 64-bit build (preset win32) and the
# 32-bit one (win32-x86, under Wine's 32-bit half), then for Linkory.dll in Microsoft mode
# (win32-msvc, win32-msvc-x86: clang-cl), which the mingw build of the same word size hosts,
# in its prefix. `--preset NAME` (repeatable) picks builds. Other arguments go to every ctest run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
root=$(pwd)

presets=()
while [ $# -ge 2 ] && [ "$1" = --preset ]; do
  case "$2" in
    win32 | win32-x86 | win32-msvc | win32-msvc-x86) presets+=("$2") ;;
    *) echo "win32-test: unknown preset '$2' (win32, win32-x86, win32-msvc or win32-msvc-x86)" >&2; exit 2 ;;
  esac
  shift 2
done
[ ${#presets[@]} -gt 0 ] || presets=(win32 win32-x86 win32-msvc win32-msvc-x86)

# The mingw build whose todaysim.exe, stand-ins and prefix a build's tests use.
host_of() {
  case "$1" in
    win32-msvc) echo win32 ;;
    win32-msvc-x86) echo win32-x86 ;;
    *) echo "$1" ;;
  esac
}

built=" "
for preset in "${presets[@]}"; do
  for build in "$(host_of "$preset")" "$preset"; do
    case "$built" in *" $build "*) continue ;; esac
    cmake --preset "$build"
    cmake --build --preset "$build"
    built="$built$build "
  done
done

# A plain Linux build for the comparison: its todaysim and the test that runs both. One serves
# every Win32 build: LINKORY_WIN32_DIR tells the test which todaysim.exe to run.
cmake -S . -B build/win32-sim -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLINKORY_WIN32_DIR="$root/build/win32"
cmake --build build/win32-sim --target todaysim win32_compare_tests

# Each build has its own prefix in its build folder; the first start takes a few seconds. No
# Mono or Gecko: nothing here needs them, and their installers would wait for a click.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Each run as preset:host, for the script below.
runs=""
for preset in "${presets[@]}"; do
  runs="$runs $preset:$(host_of "$preset")"
done

RUNS="$runs" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  root=$1
  shift
  status=0
  for run in $RUNS; do
    preset=${run%%:*}
    host=${run#*:}
    dll=""
    [ "$host" = "$preset" ] || dll="$root/build/$preset/bin/Linkory.dll"
    export WINEPREFIX="$root/build/$host/wineprefix"
    echo "win32-test: $preset under Wine, prefix $WINEPREFIX"
    # A Wine left over from an interrupted run would still talk to its old display.
    wineserver -k >/dev/null 2>&1 || true
    if ! wineboot --init >/dev/null 2>&1; then
      echo "win32-test: wineboot failed for $WINEPREFIX" >&2
      status=1
      continue
    fi
    # A 64-bit prefix made while Wine had no 32-bit half lacks it for good.
    if [ "$host" = win32-x86 ] && [ ! -e "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
      echo "win32-test: $WINEPREFIX has no 32-bit half: install wine32:i386 and remove the prefix" >&2
      status=1
      continue
    fi
    ctest --test-dir "build/$preset" --output-on-failure -j2 "$@" || status=1
    LINKORY_WIN32_DIR="$root/build/$host" LINKORY_WIN32_DLL="$dll" \
      ctest --test-dir build/win32-sim -R "^WineAgainstSimulator[.]" --output-on-failure "$@" || status=1
    # The X server goes with xvfb-run: let Wine finish with it first.
    wineserver -w
  done
  exit $status
' win32-test "$root" "$@"

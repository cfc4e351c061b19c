#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs, with apt, the Debian 12 packages that are missing for one of the README's two
# commands: `main` (scripts/run.sh: build and run todaysim) or `test` (scripts/test.sh: the
# main job's packages and everything the tests use). Safe to run again; does nothing when all
# are present.
set -euo pipefail

what=${1:-test}

# Building todaysim, the plug-in and the simulated device, and the fonts it draws with.
main_packages=(
  build-essential cmake ninja-build pkg-config
  libfreetype-dev libfontconfig-dev libpng-dev nlohmann-json3-dev
  # todaysim's command line
  libcli11-dev
  # todaysim --window
  libsdl2-dev
  fonts-wine fonts-dejavu-core
)

test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  # Network namespaces with veth links for the live Connection Manager's tests.
  iproute2
  # The Win32 build and its Wine tier: mingw-w64, GoogleTest's sources, Wine on a virtual display
  # (with the X extensions its display driver uses). Wine only recommends the fonts it draws
  # readable text with; a bare machine has none that Wine can find for its "System" face.
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools googletest
  wine wine64 xvfb xauth fonts-liberation
  libxrender1 libxrandr2 libxfixes3 libxi6 libxcursor1 libxinerama1 libxcomposite1
  # The test of todaysim --window clicks and types into it on the virtual display.
  xdotool
  # The fuzz targets (clang's libFuzzer and sanitizer runtimes) and the memcheck run.
  clang libclang-rt-14-dev valgrind
  # tools/mutate: libclang's Python bindings find the mutation sites; gcovr the coverage.
  python3-clang-14 gcovr
  # The plug-in compiled as C++98 for the device's processor class (ARM) and for 32-bit Win32.
  g++-arm-linux-gnueabi binutils-arm-linux-gnueabi g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  # That ARM code run: todaysim and Linkory.dll built for armel run under qemu-user (the armel
  # libraries come from scripts/arm-sysroot.sh, not from the machine); pictures compared in Python.
  qemu-user python3
  # Wine's 32-bit half for the 32-bit Win32 build's tier: i386 packages, with the X extensions
  # the 64-bit half has, so that both draw alike.
  wine32:i386 libxrender1:i386 libxrandr2:i386 libxfixes3:i386 libxi6:i386
  libxcursor1:i386 libxinerama1:i386 libxcomposite1:i386
  # Linkory.dll in Microsoft mode: clang-cl (clang-tools-14), lld-link and LLVM's tools
  # (llvm-rc, llvm-readobj, llvm-dlltool) against Wine's Microsoft-compatible headers and
  # import libraries.
  clang-tools-14 lld llvm libwine-dev libwine-dev:i386
)

case "$what" in
  main) packages=("${main_packages[@]}") ;;
  test) packages=("${main_packages[@]}" "${test_packages[@]}") ;;
  *)
    echo "usage: $0 [main|test]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
# sudo resets the environment, so the frontend setting goes through env.
as_root=(env DEBIAN_FRONTEND=noninteractive)
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo env DEBIAN_FRONTEND=noninteractive)
fi
# Debian's wine32 is an i386 package: the machine takes that architecture first.
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

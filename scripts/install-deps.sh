#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs, with apt, every Debian 12 package that the build and the tests need and
# that is not installed yet. Safe to run again; does nothing when all are present.
set -euo pipefail

# Wine's 32-bit half for the 32-bit Win32 build's tier, for the test command only. Debian's
# wine32 is an i386 package: the machine takes that architecture first. The X extensions are
# those the 64-bit Wine has, so that both halves draw alike.
if [ "${1:-test}" = test ]; then
  wine32=(wine32:i386 libxrender1:i386 libxrandr2:i386 libxfixes3:i386 libxi6:i386
          libxcursor1:i386 libxinerama1:i386 libxcomposite1:i386)
  missing32=()
  for p in "${wine32[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing32+=("$p")
    fi
  done
  if [ ${#missing32[@]} -gt 0 ]; then
    echo "install-deps: installing ${missing32[*]}"
    as_root32=(env DEBIAN_FRONTEND=noninteractive)
    if [ "$(id -u)" -ne 0 ]; then
      as_root32=(sudo env DEBIAN_FRONTEND=noninteractive)
    fi
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      "${as_root32[@]}" dpkg --add-architecture i386
    fi
    "${as_root32[@]}" apt-get update -qq
    "${as_root32[@]}" apt-get install -y -qq --no-install-recommends "${missing32[@]}"
  fi
fi

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libfreetype-dev libfontconfig-dev libpng-dev nlohmann-json3-dev
  fonts-wine fonts-dejavu-core
  iproute2
  # The Win32 build and its Wine tier: mingw-w64, GoogleTest's sources, Wine on a virtual display
  # (with the X extensions its display driver uses).
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools googletest
  wine wine64 xvfb xauth
  libxrender1 libxrandr2 libxfixes3 libxi6 libxcursor1 libxinerama1 libxcomposite1
  # The fuzz targets (clang's libFuzzer and sanitizer runtimes) and the memcheck run.
  clang libclang-rt-14-dev valgrind
)

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
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

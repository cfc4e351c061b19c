#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Compiles every plug-in source as C++98, as the device's compilers take it: to ARMv5TE code
# with Debian's ARM cross compiler, and to 32-bit x86 with mingw-w64, each against the
# declarations of platform/ alone. Both must be free of warnings under -Wall -Wextra
# -pedantic, and the objects must be what the target needs (ARM code with 16-bit wchar_t;
# a 32-bit PE object). Nothing links: there is no Windows CE linker or SDK here.
#
# Each compile is exactly what anyone can type from the repository root, for example
#   arm-linux-gnueabi-g++ -std=c++98 -fshort-wchar -fsigned-char -marm -march=armv5te -I. -c FILE
# with -Wall -Wextra -pedantic added (and -o to keep the objects in build/device).
set -euo pipefail
cd "$(dirname "$0")/.."

# char is signed with the device's (Microsoft's) compilers, unsigned in ARM's own ABI.
arm=(arm-linux-gnueabi-g++ -std=c++98 -fshort-wchar -fsigned-char -marm -march=armv5te -I.)
x86=(i686-w64-mingw32-g++ -std=c++98 -I.)
warnings=(-Wall -Wextra -pedantic)
out=build/device
failures=0

for tool in arm-linux-gnueabi-g++ arm-linux-gnueabi-readelf i686-w64-mingw32-g++ i686-w64-mingw32-objdump; do
  if ! command -v "$tool" >/dev/null; then
    echo "device-compile: $tool not found (Debian: g++-arm-linux-gnueabi, g++-mingw-w64-i686)" >&2
    exit 1
  fi
done

plugin_sources=(entry/*.cpp framework/*.cpp connections/*.cpp intl/*.cpp support/*.cpp)
plugin_headers=(entry/*.h framework/*.h connections/*.h intl/*.h support/*.h res/*.h)
platform_headers=(platform/*.h)

fail() {
  echo "device-compile: FAIL: $*" >&2
  failures=$((failures + 1))
}

# compile NAME OBJECT SOURCE COMPILER...: one compile that must succeed without a word.
compile() {
  local name=$1 object=$2 source=$3
  shift 3
  mkdir -p "$(dirname "$object")"
  local log
  if ! log=$("$@" "${warnings[@]}" -c "$source" -o "$object" 2>&1); then
    fail "$name: $source does not compile"
    printf '%s\n' "$log" >&2
    return
  fi
  if [ -n "$log" ]; then
    fail "$name: $source compiles with warnings"
    printf '%s\n' "$log" >&2
  fi
}

# The sources, each with its platform's fault guard.
rm -rf "$out"
for source in "${plugin_sources[@]}" platform/FaultGuard_posix.cpp; do
  compile arm "$out/arm/${source%.cpp}.o" "$source" "${arm[@]}"
done
for source in "${plugin_sources[@]}" platform/FaultGuard_win32.cpp; do
  compile i686 "$out/i686/${source%.cpp}.o" "$source" "${x86[@]}"
done

# Every header compiles on its own: it includes what it uses.
for header in "${platform_headers[@]}" "${plugin_headers[@]}"; do
  unit="$out/headers/${header%.h}.cpp"
  mkdir -p "$(dirname "$unit")"
  printf '#include "%s"\n' "$header" >"$unit"
  compile arm "${unit%.cpp}.arm.o" "$unit" "${arm[@]}"
  compile i686 "${unit%.cpp}.i686.o" "$unit" "${x86[@]}"
done

# The objects are code for the device's processor class with its character width.
for object in $(find "$out/arm" -name '*.o' | sort); do
  attributes=$(arm-linux-gnueabi-readelf -A "$object")
  grep -q 'Tag_CPU_arch: v5TE' <<<"$attributes" || fail "arm: $object is not ARMv5TE code"
  grep -q 'Tag_ARM_ISA_use: Yes' <<<"$attributes" || fail "arm: $object has no ARM instructions"
  grep -q 'Tag_ABI_PCS_wchar_t: 2' <<<"$attributes" || fail "arm: $object does not use 2-byte wchar_t"
done
for object in $(find "$out/i686" -name '*.o' | sort); do
  i686-w64-mingw32-objdump -f "$object" | grep -q 'file format pe-i386' || fail "i686: $object is not a 32-bit PE object"
done

# The compile-time checks must be able to fail, and for their own reason: a wrong record
# size, and a wide character that is not 16 bits, each stop the compile.
probe="$out/probe"
mkdir -p "$probe"
printf '#include "platform/connmgr.h"\nC_ASSERT(sizeof(CONNMGR_DESTINATION_INFO) == 272);\n' >"$probe/wrong_destination.cpp"
printf '#include "platform/todaycmn.h"\nC_ASSERT(sizeof(TODAYLISTITEM) == 628);\n' >"$probe/wrong_item.cpp"
printf '#include "platform/win32.h"\n' >"$probe/wide.cpp"
# expect_refusal NAME PATTERN COMPILER...: the compile fails with an error matching PATTERN.
expect_refusal() {
  local name=$1 pattern=$2
  shift 2
  local log
  if log=$("$@" -o "$probe/refused.o" 2>&1); then
    fail "$name: compiled, but must be refused: $*"
  elif ! grep -q -- "$pattern" <<<"$log"; then
    fail "$name: refused for another reason than '$pattern': $*"
    printf '%s\n' "$log" >&2
  fi
}
for unit in "$probe/wrong_destination.cpp" "$probe/wrong_item.cpp"; do
  expect_refusal arm "is negative" "${arm[@]}" -c "$unit"
  expect_refusal i686 "is negative" "${x86[@]}" -c "$unit"
done
expect_refusal arm "-fshort-wchar" arm-linux-gnueabi-g++ -std=c++98 -marm -march=armv5te -I. -c "$probe/wide.cpp"

arm_count=$(find "$out/arm" -name '*.o' | wc -l)
x86_count=$(find "$out/i686" -name '*.o' | wc -l)
if [ "$failures" -ne 0 ]; then
  echo "device-compile: $failures failure(s)" >&2
  exit 1
fi
echo "device-compile: C++98, warnings clean: $arm_count ARMv5TE objects, $x86_count i686 PE objects"

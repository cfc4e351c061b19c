#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The plug-in's ARM code, run: the `arm` preset (Linkory.dll compiled as the device's
# compilers take it, the simulated device and todaysim, all ARMv5TE soft-float code) runs
# every scenario under qemu-arm, and each run's trace must equal, event for event, the
# x86-64 build's trace of the same run.
#
#   usage: scripts/arm-test.sh [REFERENCE_BIN]
#
# REFERENCE_BIN holds the x86-64 todaysim and Linkory.dll (default build/default/bin, built by
# `cmake --build --preset default --target todaysim Linkory`, as scripts/test.sh does first).
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS

reference=${1:-build/default/bin}
arm_bin=build/arm/bin
root=build/arm-sysroot
work=build/arm/compare

for tool in qemu-arm arm-linux-gnueabi-g++ arm-linux-gnueabi-readelf; do
  if ! command -v "$tool" >/dev/null; then
    echo "arm-test: $tool not found (Debian: qemu-user, g++-arm-linux-gnueabi)" >&2
    exit 1
  fi
done
for file in "$reference/todaysim" "$reference/Linkory.dll"; do
  if [ ! -x "$file" ] && [ ! -f "$file" ]; then
    echo "arm-test: $file is missing: cmake --build --preset default --target todaysim Linkory" >&2
    exit 1
  fi
done

# Configuring makes the sysroot on first use (downloads included in the time below).
cmake --preset arm >build/arm-configure.log 2>&1 || {
  cat build/arm-configure.log >&2
  exit 1
}
nice -n 5 cmake --build --preset arm
built=$SECONDS

failures=0
fail() {
  echo "arm-test: FAIL: $*" >&2
  failures=$((failures + 1))
}

# What was built is what the device's processor runs: 32-bit ARM code for ARMv5TE, and a
# plug-in whose own objects use the device's 2-byte wchar_t.
for binary in "$arm_bin/Linkory.dll" "$arm_bin/todaysim" "$arm_bin/libcoredll.so"; do
  header=$(arm-linux-gnueabi-readelf -h "$binary")
  grep -q 'Class:.*ELF32' <<<"$header" && grep -q 'Machine:.*ARM' <<<"$header" ||
    fail "$binary is not 32-bit ARM code"
  arm-linux-gnueabi-readelf -A "$binary" | grep -q 'Tag_CPU_arch: v5TE' || fail "$binary is not ARMv5TE code"
done
arm-linux-gnueabi-readelf -h "$arm_bin/Linkory.dll" | grep -q 'Type:.*DYN' || fail "Linkory.dll is no shared object"
plugin_objects=$(find build/arm/entry build/arm/framework build/arm/connections build/arm/intl build/arm/support \
  -name '*.o' ! -name '*module_tables*')
[ -n "$plugin_objects" ] || fail "no plug-in objects under build/arm"
for object in $plugin_objects; do
  arm-linux-gnueabi-readelf -A "$object" | grep -q 'Tag_ABI_PCS_wchar_t: 2' ||
    fail "$object does not use 2-byte wchar_t"
done

# One row per run: a name, then todaysim's arguments (absolute paths, without spaces).
cases=()
for scenario in tests/data/scenarios/*.json; do
  cases+=("$(basename "$scenario" .json)|--scenario $PWD/$scenario")
done
for dpi in 96 131 192 128; do
  cases+=("layout-$dpi|--scenario $PWD/tests/data/scenarios/layout.json --dpi $dpi")
done
cases+=("layout-131-font12|--scenario $PWD/tests/data/scenarios/layout.json --dpi 131 --font-size 12")
# The translator's check draws the item at three densities and measures every line.
for file in translations/Linkory.0409.intl tests/data/translations/Linkory.0407.intl tests/data/translations/faults.intl; do
  cases+=("check-$(basename "$file" .intl)|--check $PWD/$file")
done

# Each side runs in its own empty folder: scenarios may write pictures relative to it. Its
# standard output (the text view, or the check's report) and picture are compared as well.
run_side() {
  local folder=$1
  shift
  mkdir -p "$folder"
  local status=0
  (cd "$folder" && exec "$@" --trace trace.jsonl --png screen.png >out.txt 2>err.txt) || status=$?
  echo "$status" >"$folder/status"
}

rm -rf "$work"
compared=0
events=0
glyph_pixels=0
for row in "${cases[@]}"; do
  name=${row%%|*}
  read -r -a args <<<"${row#*|}"
  run_side "$work/$name/x86-64" "$PWD/$reference/todaysim" --dll "$PWD/$reference/Linkory.dll" "${args[@]}"
  run_side "$work/$name/arm" qemu-arm -L "$PWD/$root" "$PWD/$arm_bin/todaysim" "${args[@]}"
  x86=$work/$name/x86-64
  arm=$work/$name/arm
  compared=$((compared + 1))
  if [ "$(cat "$x86/status")" != "$(cat "$arm/status")" ]; then
    fail "$name: exit status $(cat "$arm/status") on ARM, $(cat "$x86/status") on x86-64"
    cat "$arm/err.txt" >&2
    continue
  fi
  if [ ! -s "$x86/trace.jsonl" ]; then
    fail "$name: the x86-64 run wrote no trace"
    cat "$x86/err.txt" >&2
    continue
  fi
  # The two builds load their plug-ins from their own folders; nothing else may differ.
  for side in "$x86" "$arm"; do
    sed -E 's#"dll":"[^"]*/Linkory\.dll"#"dll":"Linkory.dll"#' "$side/trace.jsonl" >"$side/compared.jsonl"
  done
  if ! cmp -s "$x86/compared.jsonl" "$arm/compared.jsonl"; then
    fail "$name: the traces differ (x86-64 <, ARM >; both in $work/$name)"
    diff "$x86/compared.jsonl" "$arm/compared.jsonl" | head -20 >&2 || true
    continue
  fi
  for output in out.txt err.txt; do
    if ! cmp -s "$x86/$output" "$arm/$output"; then
      fail "$name: $output differs"
      diff "$x86/$output" "$arm/$output" | head -10 >&2 || true
    fi
  done
  # The same FreeType release renders Wine's Tahoma with a few anti-aliased edge pixels one
  # step apart on 32-bit ARM (its fixed-point code there is not x86-64's; DejaVu Sans comes
  # out identical), so glyphs may differ by one step; any other difference is a fault.
  if ! cmp -s "$x86/screen.png" "$arm/screen.png"; then
    read -r count largest < <(scripts/png-diff.py "$x86/screen.png" "$arm/screen.png") || largest=256
    if [ "$largest" -gt 1 ]; then
      fail "$name: the pictures differ by up to $largest in a channel"
    else
      glyph_pixels=$((glyph_pixels + count))
    fi
  fi

  events=$((events + $(wc -l <"$x86/compared.jsonl")))
done

# The picture comparison must be able to fail: two different pictures are told apart.
read -r _ largest < <(scripts/png-diff.py "$work/two_connections/x86-64/screen.png" "$work/failures/x86-64/screen.png")
[ "$largest" -gt 1 ] || fail "png-diff does not tell two different pictures apart"

elapsed=$((SECONDS - start))
if [ "$failures" -ne 0 ]; then
  echo "arm-test: $failures failure(s) in $compared runs (${elapsed} s)" >&2
  exit 1
fi
echo "arm-test: $compared runs under qemu-arm, $events trace events, outputs and pictures equal to x86-64's" \
  "($glyph_pixels glyph pixels one step apart); build $((built - start)) s, runs $((SECONDS - built)) s"

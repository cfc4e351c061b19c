#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the fuzz preset (clang, libFuzzer, ASan, UBSan) and runs the fuzz targets.
#
#   scripts/fuzz.sh                     bounded run: every target briefly from its seeds (~1 min)
#   scripts/fuzz.sh --long TARGET [N]   long run of one target: N executions (default 10 million),
#                                       one job, growing build/fuzz/corpus/TARGET; crashes land in
#                                       build/fuzz/crashes/
#
# Targets: fuzz_intl_file (language-file loader), fuzz_item_format (header and detail lines
# with translated texts), fuzz_connmgr_model (the item fed arbitrary Connection Manager models),
# fuzz_scenario (todaysim's scenario reader, seeded from tests/data/scenarios).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

# seconds of the bounded run, per target
declare -A bounded=([fuzz_intl_file]=30 [fuzz_item_format]=15 [fuzz_connmgr_model]=15 [fuzz_scenario]=15)
# longest input, per target: language files grow past one string growth step well within it
declare -A max_len=([fuzz_intl_file]=1024 [fuzz_item_format]=2048 [fuzz_connmgr_model]=4096 [fuzz_scenario]=4096)
# dictionary (fuzz/dict/NAME.dict) and seed folder, per target
declare -A seeds=([fuzz_intl_file]=intl_file [fuzz_item_format]=item_format [fuzz_connmgr_model]=connmgr_model
                  [fuzz_scenario]=scenario)
declare -A seed_dir=([fuzz_intl_file]=fuzz/corpus/intl_file [fuzz_item_format]=fuzz/corpus/item_format
                     [fuzz_connmgr_model]=fuzz/corpus/connmgr_model [fuzz_scenario]=tests/data/scenarios)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

bin=build/fuzz/bin
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0:allow_user_segv_handler=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# The language file is rewritten for every input: keep it in memory when we can.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

options_for() {
  local target=$1
  local dict="fuzz/dict/${seeds[$target]}.dict"
  local opts=(-max_len="${max_len[$target]}" -print_final_stats=1)
  [ -f "$dict" ] && opts+=(-dict="$dict")
  echo "${opts[@]}"
}

if [ "${1:-}" = "--long" ]; then
  target=${2:?usage: scripts/fuzz.sh --long TARGET [RUNS]}
  runs=${3:-10000000}
  [ -n "${seeds[$target]:-}" ] || { echo "fuzz: unknown target $target" >&2; exit 2; }
  corpus="build/fuzz/corpus/$target"
  mkdir -p "$corpus" build/fuzz/crashes
  # shellcheck disable=SC2046
  exec "$bin/$target" $(options_for "$target") -runs="$runs" \
    -artifact_prefix=build/fuzz/crashes/ "$corpus" "${seed_dir[$target]}"
fi

status=0
for target in fuzz_intl_file fuzz_item_format fuzz_connmgr_model fuzz_scenario; do
  # A scratch copy: the bounded run must not grow the seed corpus in the repository.
  work=$(mktemp -d)
  cp -r "${seed_dir[$target]}/." "$work/"
  echo "fuzz: $target for ${bounded[$target]} s"
  # shellcheck disable=SC2046
  if ! "$bin/$target" $(options_for "$target") -max_total_time="${bounded[$target]}" \
      -artifact_prefix="$work/" "$work" 2>"$work.log"; then
    tail -n 60 "$work.log" >&2
    cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* . 2>/dev/null || true
    echo "fuzz: $target FAILED (artifacts copied to $(pwd))" >&2
    status=1
  else
    grep -E "^stat::number_of_executed_units|^Done" "$work.log" || true
  fi
  rm -rf "$work" "$work.log"
done
exit $status

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the "bench" preset, runs every benchmark and prints one table with the budgets.
#
#   bench/run.sh [--quick]
#
# Steps: Google Benchmark (time and platform counters per operation, median of three
# repetitions), callgrind on the poll and the paint (instruction counts, repeatable on a
# busy machine), todaysim end to end (median of eleven runs), then bench/report.py.
# --quick shortens the timed runs (for trying the script; figures get noisier).
# Results stay in build/bench/results. Exit status 1 when a budget fails.
set -euo pipefail
export PYTHONDONTWRITEBYTECODE=1

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/bench"
bin="$build/bin"
results="$build/results"
min_time=0.5
repetitions=3
runs=11
if [ "${1:-}" = "--quick" ]; then
  min_time=0.05
  repetitions=1
  runs=3
fi

cmake --preset bench -S "$root" >/dev/null
cmake --build --preset bench -j2 >/dev/null

rm -rf "$results"
mkdir -p "$results/callgrind"

{
  echo "nproc=$(nproc)"
  echo "cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
  echo "load=$(cut -d' ' -f1-3 /proc/loadavg)"
  echo "date=$(date -u +%Y-%m-%dT%H:%MZ)"
  echo "commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)"
} >"$results/machine.txt"

# The counters behind the budgets must be right before anything is measured with them.
"$bin/linkory_bench_tests" --gtest_brief=1 >"$results/counter-tests.log" 2>&1 || {
  cat "$results/counter-tests.log" >&2
  exit 1
}

echo "bench: timed runs (Google Benchmark)..." >&2
"$bin/linkory_bench" --benchmark_min_time="$min_time" --benchmark_repetitions="$repetitions" \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$results/bench.json" --benchmark_out_format=json >"$results/bench.txt"

shapes=("2 1" "8 4" "64 16" "256 64" "256 4" "8 64")
if command -v valgrind >/dev/null; then
  echo "bench: callgrind..." >&2
  callgrind() {  # name, toggle function, driver arguments...
    local name="$1" toggle="$2"
    shift 2
    valgrind --tool=callgrind --callgrind-out-file="$results/callgrind/$name.out" \
      --toggle-collect="$toggle" "$bin/linkory_poll_driver" "$@" >/dev/null 2>"$results/callgrind/$name.log"
  }
  for shape in "${shapes[@]}"; do
    set -- $shape
    callgrind "poll-$1-$2" 'CBasicWnd::StaticWindowProc*' poll "$1" "$2" 20
    callgrind "lookup-$1-$2" 'CConnectionsItem::FindDestination*' paint "$1" "$2" 3
  done
  callgrind "paint-8-4" 'CBasicWnd::StaticWindowProc*' paint 8 4 10
else
  echo "bench: valgrind not installed, no instruction counts" >&2
fi

scenario="$root/tests/data/scenarios/two_connections.json"
if [ -x "$bin/todaysim" ] && [ -f "$scenario" ]; then
  echo "bench: todaysim end to end..." >&2
  echo "scenario=$scenario" >"$results/todaysim.txt"
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$bin/todaysim" --scenario "$scenario" --png "$results/today.png" --quiet
    end=$(date +%s%N)
    echo "ns=$((end - start))" >>"$results/todaysim.txt"
  done
  "$bin/todaysim" --scenario "$scenario" --trace "$results/todaysim.jsonl" --quiet
else
  echo "bench: todaysim not built, no end-to-end figure" >&2
fi

# The report's own checks first: a wrong verdict is worse than none.
python3 -m unittest discover -s "$root/bench" -p 'test_*.py' -q 2>"$results/report-tests.log" || {
  cat "$results/report-tests.log" >&2
  exit 1
}
python3 "$root/bench/report.py" "$results"

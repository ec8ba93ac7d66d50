#!/usr/bin/env bash
# Builds the benchmark preset when needed, runs every benchmark program one after another and
# prints one table of every figure that has an aim (bench/aims.txt) with its verdict.
# Exits 1 when any figure is past its aim or a program fails.
#
#   bash bench/run_all.sh [MIN_TIME [REPETITIONS]]
#     MIN_TIME in seconds per benchmark (default 0.3); each benchmark runs REPETITIONS times
#     (default 3), the benchmarks of a program interleaved in random order, and each figure is
#     taken from the medians: a ratio then compares two times measured side by side.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
min_time=${1:-0.3}
repetitions=${2:-3}
cd "$root"
[ -f build/bench/build.ninja ] || cmake --preset bench >/dev/null
cmake --build --preset bench -j 2 >/dev/null

log=$(mktemp)
trap 'rm -f "$log"' EXIT
failed=()
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
for program in build/bench/bench/bench_*; do
  [ -x "$program" ] || continue
  name=$(basename "$program")
  printf 'running %s ...\n' "$name" >&2
  # A program exits 1 when a figure is past its aim; the table says which.
  if ! "$program" --benchmark_min_time="$min_time" --benchmark_repetitions="$repetitions" \
    --benchmark_enable_random_interleaving=true >"$log.out" 2>&1; then
    grep -q '^aim | ' "$log.out" || failed+=("$name")
  fi
  grep '^aim | ' "$log.out" >>"$log" || true
done
rm -f "$log.out"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf '| %-18s | %-70s | %-7s | %7s | %7s | %-6s |\n' Program Figure Measure Now Aim Verdict
echo '|---|---|---|---:|---:|---|'
past=0
while IFS='|' read -r _ program what measure figure aim verdict; do
  trim() { local s=$1; s=${s#"${s%%[! ]*}"}; printf '%s' "${s%"${s##*[! ]}"}"; }
  verdict=$(trim "$verdict")
  [ "$verdict" = within ] || past=$((past + 1))
  printf '| %-18s | %-70s | %-7s | %7s | %7s | %-6s |\n' "$(trim "$program")" "$(trim "$what")" \
    "$(trim "$measure")" "$(trim "$figure")" "$(trim "$aim")" "$verdict"
done <"$log"
echo
if ((${#failed[@]})); then echo "failed to run: ${failed[*]}"; exit 1; fi
if ((past)); then echo "$past figure(s) past their aim"; exit 1; fi
echo "every figure within its aim"

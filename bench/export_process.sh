#!/usr/bin/env bash
# Whole-process speed of `voltrim-cli export DIR --all`, text and CSV, on three generated
# folders: 215 daily series and 359,631 quotes with a DOP file each ("dop"); the same
# series with no DOP files, 5, 6 and 7 fields inferred from the record length ("nodop");
# and 255 series in MASTER and 2,591 in XMASTER of 500 quotes each ("wide"); next to a raw
# read of the same data files and a plain snprintf writer of the same lines
# (bench/export_process_tool.cpp); then the one-series commands (quotes, export) on a
# series of 32,766 quotes.
# Prints the median user CPU, system CPU and wall time of RUNS runs of each, and user +
# system CPU per quote: what a machine running many exports pays, and the figure to
# compare on a shared machine (wall time waits for other work).
#
#   cmake --preset release && cmake --build --preset release -j2
#   cmake --preset bench && cmake --build --preset bench -j2
#   bash bench/export_process.sh [RUNS]
set -euo pipefail

runs=${1:-11}
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${VOLTRIM_CLI:-$root/build/release/src/voltrim-cli}
tool=${VOLTRIM_TOOL:-$root/build/bench/bench/export_process_tool}
for program in "$cli" "$tool"; do
  [[ -x $program ]] || { echo "missing $program: build the release and bench presets" >&2; exit 2; }
done

work=$(mktemp -d /tmp/voltrim-export-process-XXXXXX)
trap 'rm -rf "$work"' EXIT
for shape in dop nodop wide long; do mkdir "$work/$shape"; done
"$tool" portfolio "$work/dop"
"$tool" nodop "$work/nodop"
"$tool" wide "$work/wide"
"$tool" long "$work/long"

# measure NAME QUOTES OUT PROGRAM ARGS...: prints the medians and sets NAME_cpu, NAME_wall.
measure() {
  local name=$1 quotes=$2 out=$3
  shift 3
  read -r user sys wall < <("$tool" measure "$runs" "$out" "$@")
  local cpu
  cpu=$(echo "$user + $sys" | bc -l)
  printf '%-18s user %7.1f ms  sys %6.1f ms  wall %7.1f ms  %5.0f ns/quote user+sys  %5.0f wall\n' \
    "$name" "$user" "$sys" "$wall" "$(echo "$cpu * 1000000 / $quotes" | bc -l)" \
    "$(echo "$wall * 1000000 / $quotes" | bc -l)"
  printf -v "${name}_cpu" '%s' "$cpu"
  printf -v "${name}_wall" '%s' "$wall"
}
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

declare -A quotes=([dop]=359631 [nodop]=359631 [wide]=1423000)
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
for shape in dop nodop wide; do
  dir=$work/$shape
  measure "${shape}_raw" "${quotes[$shape]}" /dev/null "$tool" raw "$dir"
  measure "${shape}_text" "${quotes[$shape]}" /dev/null "$cli" export "$dir" --all
  measure "${shape}_csv" "${quotes[$shape]}" /dev/null "$cli" export "$dir" --all --format csv
done
all=${quotes[dop]}
measure printf_text $all /dev/null "$tool" printf "$work/dop" text
measure printf_csv $all /dev/null "$tool" printf "$work/dop" csv
measure text_file $all /dev/null "$cli" export "$work/dop" --all -o "$work/all.txt"
measure csv_file $all /dev/null "$cli" export "$work/dop" --all --format csv -o "$work/all.csv"
long=32766
measure quotes_long $long /dev/null "$cli" quotes "$work/long" LONG
measure export_long $long /dev/null "$cli" export "$work/long" LONG
measure csv_long $long /dev/null "$cli" export "$work/long" LONG --format csv
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "export --all to /dev/null, user+system CPU (aims: text under 100 ns, CSV under 110 ns a quote):"
for shape in dop nodop wide; do
  for format in text csv; do
    cpu=${shape}_${format}_cpu raw=${shape}_raw_cpu
    echo "  $shape $format: $(ratio "${!cpu}" "${!raw}")x the raw read"
  done
done
echo "  dop text vs snprintf writer: $(ratio "$dop_text_cpu" "$printf_text_cpu")x"
echo "  dop csv  vs snprintf writer: $(ratio "$dop_csv_cpu" "$printf_csv_cpu")x"
if command -v strace >/dev/null; then
  # What a process makes whatever the folder: starting, and finding no MASTER.
  mkdir "$work/empty"
  base=$(strace -f -c -o "$work/strace.txt" "$cli" export "$work/empty" --all 2>/dev/null;
    awk '$NF == "total" { print $4 }' "$work/strace.txt")
  echo
  echo "system calls of export --all (strace -f -c), and a series' share past the $base of a process that finds no MASTER:"
  declare -A series=([dop]=215 [nodop]=215 [wide]=2846)
  for shape in dop nodop wide; do
    calls=$(strace -f -c -o "$work/strace.txt" "$cli" export "$work/$shape" --all >/dev/null &&
      awk '$NF == "total" { print $4 }' "$work/strace.txt")
    echo "  $shape: $calls, $(printf '%.2f' "$(echo "($calls - $base) / ${series[$shape]}" | bc -l)") a series"
  done
fi

#!/usr/bin/env bash
# Whole-process speed of `voltrim-cli export DIR --all`, text and CSV, on three generated
# folders: 215 daily series and 359,631 quotes with a DOP file each ("dop"); the same
# series with no DOP files, 5, 6 and 7 fields inferred from the record length ("nodop");
# and 255 series in MASTER and 2,591 in XMASTER of 3 quotes each ("wide", where the cost is
# per series); next to a raw read of the same data files and a plain snprintf writer of the
# same lines (bench/export_process_tool.cpp); then the one-series commands (quotes, export)
# on a series of 32,766 quotes.
# Prints the median CPU (as the scheduler counts it), user, system and wall time of RUNS
# runs of each, and CPU per quote: what a machine running many exports pays, and the figure
# to compare on a shared machine (wall time waits for other work). Then each figure with an
# aim and its verdict; exits 1 when one is past its aim.
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
  read -r cpu user sys wall < <("$tool" measure "$runs" "$out" "$@")
  printf '%-18s cpu %7.1f ms (user %5.1f, sys %5.1f)  wall %7.1f ms  %6.0f ns/quote cpu  %6.0f wall\n' \
    "$name" "$cpu" "$user" "$sys" "$wall" "$(echo "$cpu * 1000000 / $quotes" | bc -l)" \
    "$(echo "$wall * 1000000 / $quotes" | bc -l)"
  printf -v "${name}_cpu" '%s' "$cpu"
  printf -v "${name}_wall" '%s' "$wall"
}
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

declare -A quotes=([dop]=359631 [nodop]=359631 [wide]=8538)
declare -A series=([dop]=215 [nodop]=215 [wide]=2846)
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
for shape in dop nodop wide; do
  dir=$work/$shape
  measure "${shape}_raw" "${quotes[$shape]}" /dev/null "$tool" raw "$dir"
  measure "${shape}_text" "${quotes[$shape]}" /dev/null "$cli" export "$dir" --all
  measure "${shape}_csv" "${quotes[$shape]}" /dev/null "$cli" export "$dir" --all --format csv
done
all=${quotes[dop]}
mkdir "$work/empty"
"$cli" new-portfolio "$work/empty" >/dev/null
measure start 1 /dev/null "$cli" export "$work/empty" --all
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
echo "export --all to /dev/null against the raw read of the same files (CPU):"
for shape in dop nodop wide; do
  for format in text csv; do
    cpu=${shape}_${format}_cpu raw=${shape}_raw_cpu
    echo "  $shape $format: $(ratio "${!cpu}" "${!raw}")x the raw read"
  done
done
echo "  dop text vs snprintf writer: $(ratio "$dop_text_cpu" "$printf_text_cpu")x"
echo "  dop csv  vs snprintf writer: $(ratio "$dop_csv_cpu" "$printf_csv_cpu")x"
echo "  a process that exports an empty portfolio (the start and the end): $start_cpu ms CPU, $start_wall ms wall"

# The aims, whole processes, start-up included. The fastest public reader of the format
# takes about 120 ns of CPU a quote on the daily folders and 7.5 us a series on the wide
# one on this kind of machine; one process reading from the cache waits for nothing, so its
# wall time is taken as the same. Lines as bench/run_all.sh prints its aims.
past=0
judge() { # WHAT MEASURE FIGURE AIM
  local verdict=within
  (($(echo "$3 < $4" | bc -l))) || { verdict=PAST; past=$((past + 1)); }
  printf 'aim | export_process | %s | %s | %.2f | %s | %s\n' "$1" "$2" "$3" "$4" "$verdict"
}
echo
for shape in dop nodop; do
  for format in text csv; do
    cpu=${shape}_${format}_cpu wall=${shape}_${format}_wall aim=100
    [[ $format == csv ]] && aim=110
    judge "export --all, $format, $shape folder" "cpu ns/quote" \
      "$(echo "${!cpu} * 1000000 / ${quotes[$shape]}" | bc -l)" $aim
    judge "export --all, $format, $shape folder" "real ns/quote" \
      "$(echo "${!wall} * 1000000 / ${quotes[$shape]}" | bc -l)" 120
  done
done
for format in text csv; do
  cpu=wide_${format}_cpu wall=wide_${format}_wall
  judge "export --all, $format, wide folder" "cpu us/series" \
    "$(echo "${!cpu} * 1000 / ${series[wide]}" | bc -l)" 6
  judge "export --all, $format, wide folder" "real us/series" \
    "$(echo "${!wall} * 1000 / ${series[wide]}" | bc -l)" 7.5
done
if command -v strace >/dev/null; then
  # What a process makes whatever the folder: starting, and exporting no series.
  base=$(strace -f -c -o "$work/strace.txt" "$cli" export "$work/empty" --all 2>/dev/null;
    awk '$NF == "total" { print $4 }' "$work/strace.txt")
  echo
  echo "system calls of export --all (strace -f -c), and a series' share past the $base of a process that exports an empty portfolio:"
  for shape in dop nodop wide; do
    calls=$(strace -f -c -o "$work/strace.txt" "$cli" export "$work/$shape" --all >/dev/null &&
      awk '$NF == "total" { print $4 }' "$work/strace.txt")
    echo "  $shape: $calls, $(printf '%.2f' "$(echo "($calls - $base) / ${series[$shape]}" | bc -l)") a series"
  done
fi
echo
if ((past)); then echo "$past figure(s) past their aim"; exit 1; fi
echo "every figure within its aim"

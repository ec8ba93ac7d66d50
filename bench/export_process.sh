#!/usr/bin/env bash
# Whole-process speed of `voltrim-cli export DIR --all`, text and CSV, on a generated
# portfolio of 215 daily series and 359,631 quotes, next to a raw read of the same DAT
# files and a plain snprintf writer of the same lines (bench/export_process_tool.cpp);
# then the one-series commands (quotes, export) on a series of 32,766 quotes.
# Prints the median user CPU, system CPU and wall time of RUNS runs of each, user CPU per
# quote, and the ratios. User CPU is the figure to compare on a shared machine.
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
mkdir "$work/portfolio" "$work/long"
"$tool" portfolio "$work/portfolio"
"$tool" long "$work/long"

# measure NAME QUOTES OUT PROGRAM ARGS...: prints the medians and sets NAME_user, NAME_wall.
measure() {
  local name=$1 quotes=$2 out=$3
  shift 3
  read -r user sys wall < <("$tool" measure "$runs" "$out" "$@")
  printf '%-22s user %7.1f ms  sys %6.1f ms  wall %7.1f ms  %6.0f ns/quote user\n' "$name" \
    "$user" "$sys" "$wall" "$(echo "$user * 1000000 / $quotes" | bc -l)"
  printf -v "${name}_user" '%s' "$user"
  printf -v "${name}_wall" '%s' "$wall"
}
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

all=359631
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
measure raw $all /dev/null "$tool" raw "$work/portfolio"
measure printf_text $all /dev/null "$tool" printf "$work/portfolio" text
measure printf_csv $all /dev/null "$tool" printf "$work/portfolio" csv
measure text $all /dev/null "$cli" export "$work/portfolio" --all
measure csv $all /dev/null "$cli" export "$work/portfolio" --all --format csv
measure text_file $all /dev/null "$cli" export "$work/portfolio" --all -o "$work/all.txt"
measure csv_file $all /dev/null "$cli" export "$work/portfolio" --all --format csv \
  -o "$work/all.csv"
long=32766
measure quotes_long $long /dev/null "$cli" quotes "$work/long" LONG
measure export_long $long /dev/null "$cli" export "$work/long" LONG
measure csv_long $long /dev/null "$cli" export "$work/long" LONG --format csv
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "export --all, to /dev/null:"
echo "  text vs snprintf writer: $(ratio "$text_user" "$printf_text_user")x user CPU," \
  "$(ratio "$text_wall" "$printf_text_wall")x wall"
echo "  csv  vs snprintf writer: $(ratio "$csv_user" "$printf_csv_user")x user CPU," \
  "$(ratio "$csv_wall" "$printf_csv_wall")x wall"
echo "  text vs raw read: $(ratio "$text_wall" "$raw_wall")x wall"
echo "  csv  vs raw read: $(ratio "$csv_wall" "$raw_wall")x wall"

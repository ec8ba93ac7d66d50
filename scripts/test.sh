#!/usr/bin/env bash
# Builds everything with the developer preset (ASan+UBSan, warnings as errors) and runs every
# test as on another machine (scripts/elsewhere.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${VOLTRIM_PRESET:-dev}"
bash scripts/install-deps.sh
[ -f "build/$preset/build.ninja" ] || cmake --preset "$preset"
cmake --build --preset "$preset" -j 2
# The tests make and sync many thousands of small files: in a folder in memory the syncs cost
# nothing, which makes the write sweeps three times faster than on a disk.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  TMPDIR="$(mktemp -d /dev/shm/voltrim-tests.XXXXXX)"
  export TMPDIR
  trap 'rm -rf "$TMPDIR"' EXIT
fi
# Run where the machine's clock, zone, locale, user and display are none of the usual.
# A failing test runs once more before it fails the run: the help window's test loses its
# Escape now and then offscreen (see the issue notes); a real fault fails both times.
bash scripts/elsewhere.sh ctest --preset "$preset" --repeat until-pass:2

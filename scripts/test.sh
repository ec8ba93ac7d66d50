#!/usr/bin/env bash
# Builds everything with the developer preset (ASan+UBSan, warnings as errors) and runs every
# test as on another machine (scripts/elsewhere.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${VOLTRIM_PRESET:-dev}"
bash scripts/install-deps.sh
[ -f "build/$preset/build.ninja" ] || cmake --preset "$preset"
cmake --build --preset "$preset" -j 2
# The test preset runs four tests at a time on two cores: many wait on the disk's syncs.
# Run where the machine's clock, zone, locale, user and display are none of the usual.
bash scripts/elsewhere.sh ctest --preset "$preset"

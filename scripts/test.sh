#!/usr/bin/env bash
# Builds everything with the developer preset (ASan+UBSan, warnings as errors) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${VOLTRIM_PRESET:-dev}"
bash scripts/install-deps.sh
[ -f "build/$preset/build.ninja" ] || cmake --preset "$preset"
cmake --build --preset "$preset" -j 2
ctest --preset "$preset"

#!/usr/bin/env bash
# Builds Voltrim, writes the demonstration portfolios and opens Voltrim on them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
[ -f build/release/build.ninja ] || cmake --preset release
cmake --build --preset release -j 2
demo="$PWD/build/demo"
[ -d "$demo/portfolios" ] || build/release/src/voltrim-cli sample "$demo/portfolios"
if [ -x build/release/src/voltrim ]; then
  # A settings folder of the demo's own: the first start seeds the search filter with the
  # current directory, so the scan finds just the demonstration portfolios.
  cd "$demo/portfolios"
  XDG_CONFIG_HOME="$demo/config" exec "$OLDPWD/build/release/src/voltrim" "$@"
else
  build/release/src/voltrim-cli scan --filter "$demo/portfolios"
fi

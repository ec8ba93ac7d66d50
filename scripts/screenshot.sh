#!/usr/bin/env bash
# Makes the picture of the main window the README and the package show, from the program
# itself: Voltrim on the demonstration portfolios under Xvfb with openbox, a series loaded,
# saved as docs/images/main-window.png and packaging/screenshots/main-window.png.
#
#   bash scripts/screenshot.sh
#
# VOLTRIM_BUILD names the build folder to use (default build/release, made when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in xvfb-run:xvfb openbox:openbox import:imagemagick xdotool:xdotool; do
  command -v "${tool%%:*}" >/dev/null || { echo "screenshot.sh needs: apt-get install ${tool#*:}" >&2; exit 2; }
done
root="$PWD"
build="${VOLTRIM_BUILD:-build/release}"
[ -f "$build/build.ninja" ] || cmake --preset release >/dev/null
cmake --build "$build" -j 2 --target voltrim voltrim-cli >/dev/null
# A fixed, plain folder: its path is in the picture.
work="${TMPDIR:-/tmp}/voltrim-demo"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
"$root/$build/src/voltrim-cli" sample "$work/portfolios" >/dev/null
xvfb-run -a -s "-screen 0 1280x860x24 -dpi 96" env WORK="$work" VOLTRIM="$root/$build/src/voltrim" \
  bash -s <<'SESSION'
set -euo pipefail
openbox >/dev/null 2>&1 &
sleep 1
export ASAN_OPTIONS=detect_leaks=0
cd "$WORK/portfolios"
XDG_CONFIG_HOME="$WORK/config" "$VOLTRIM" "$WORK/portfolios/Stocks" 2>/dev/null &
app=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Voltrim' | head -1)
# The window as large as the screen leaves it, and the second symbol's quotes loaded.
xdotool windowactivate --sync "$win" windowsize --sync "$win" 1200 800 windowmove "$win" 20 20
sleep 2
xdotool key --clearmodifiers ctrl+f Tab Down Return
sleep 2
import -window "$win" -frame "$WORK/main-window.png"
xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4
wait "$app" || true
SESSION
cp "$work/main-window.png" docs/images/main-window.png
cp "$work/main-window.png" packaging/screenshots/main-window.png
echo "docs/images/main-window.png and packaging/screenshots/main-window.png written"

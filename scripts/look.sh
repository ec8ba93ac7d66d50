#!/usr/bin/env bash
# Looks at Voltrim as a user sees it: under Xvfb with openbox as the window manager, on the
# demonstration portfolios at 1024x768 and 1920x1080, and during a scan of a generated
# 20,000-folder tree. Leaves its screenshots in the folder it prints (default build/look).
#
#   bash scripts/look.sh [OUTPUT_FOLDER]
#
# VOLTRIM_BUILD names the build folder to use (default build/dev, the sanitizer build).
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
for tool in xvfb-run:xvfb openbox:openbox import:imagemagick xdotool:xdotool xprop:x11-utils \
  xdpyinfo:x11-utils; do
  command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
done
if ((${#missing[@]})); then
  echo "look.sh needs: apt-get install ${missing[*]}" >&2
  exit 2
fi
root="$PWD"
out="$(realpath -m "${1:-build/look}")"
build="${VOLTRIM_BUILD:-build/dev}"
[ -f "$build/build.ninja" ] || cmake --preset dev
cmake --build "$build" -j 2 --target voltrim voltrim-cli
voltrim="$root/$build/src/voltrim"
cli="$root/$build/src/voltrim-cli"

work="$(mktemp -d /tmp/voltrim-look.XXXXXX)"
trap 'rm -rf "$work"' EXIT
"$cli" sample "$work/portfolios" >/dev/null
# The tree: 20 x 1,000 folders, two of them portfolios, the rest empty.
tree="$work/tree"
for d in $(seq -w 0 19); do mkdir -p "$tree/d$d"; (cd "$tree/d$d" && mkdir e{000..999}); done
cp -r "$work/portfolios/Stocks/." "$tree/d07/e500/"
cp -r "$work/portfolios/Futures/." "$tree/d13/e020/"
rm -rf "$out"
mkdir -p "$out"

# One session of the desktop program, run inside Xvfb; its steps are in the here-document.
session() {
  local size="$1"
  xvfb-run -a -s "-screen 0 ${size}x24 -dpi 96" env OUT="$out/$size" WORK="$work" \
    VOLTRIM="$voltrim" bash -s <<'SESSION'
set -euo pipefail
mkdir -p "$OUT"
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
shot() { import -window root "$OUT/$1.png"; }
main_window() { timeout 30 xdotool search --sync --onlyvisible --name '^Voltrim' | head -1; }
quit() { xdotool windowactivate --sync "$1" key --clearmodifiers alt+F4; wait "$2" || true; }
maximised() { xprop -id "$1" _NET_WM_STATE | grep -q MAXIMIZED_HORZ; }
# A double click on the title bar toggles maximised; tried again if openbox missed it.
toggle_maximised() {
  local before=0 tries
  maximised "$1" && before=1
  for tries in 1 2 3; do
    xdotool windowactivate --sync "$1" mousemove $((width / 2)) $((height / 40 + 8)) \
      click --repeat 2 --delay 80 1
    sleep 1
    local now=0
    maximised "$1" && now=1
    [ "$now" != "$before" ] && return 0
  done
  echo "openbox did not change the maximised state" >&2
}
export ASAN_OPTIONS=detect_leaks=0

# First start on the demonstration portfolios, with a fresh settings folder; the pointer
# rests where the toolbar's Search Filter button will be, so its prompt shows at once.
cd "$WORK/portfolios"
read -r width height < <(xdpyinfo | awk '/dimensions:/ { split($2, s, "x"); print s[1], s[2] }')
xdotool mousemove $((width / 40 + 84)) $((height / 40 + 54))
XDG_CONFIG_HOME="$OUT/config" "$VOLTRIM" 2>"$OUT/stderr.txt" &
app=$!
win=$(main_window)
sleep 3
shot 01-first-start
xdotool windowactivate --sync "$win" key --clearmodifiers alt+p f
sleep 1
shot 02-search-filter
xdotool key Escape
sleep 0.5
xdotool windowactivate --sync "$win" key --clearmodifiers alt+h h
sleep 1.5
shot 03-help
xdotool key Escape
sleep 0.5
xdotool windowactivate --sync "$win" key --clearmodifiers alt+h a
sleep 1
shot 04-about
xdotool key Return
sleep 0.5
xdotool getwindowgeometry "$win" >"$OUT/placement-first.txt"
quit "$win" "$app"

# A second start comes back where the first one was left.
XDG_CONFIG_HOME="$OUT/config" "$VOLTRIM" 2>>"$OUT/stderr.txt" &
app=$!
win=$(main_window)
sleep 3
shot 05-second-start
xdotool getwindowgeometry "$win" >"$OUT/placement-second.txt"
# Maximised, closed, and started again: still maximised.
toggle_maximised "$win"
quit "$win" "$app"
XDG_CONFIG_HOME="$OUT/config" "$VOLTRIM" 2>>"$OUT/stderr.txt" &
app=$!
win=$(main_window)
sleep 3
shot 05-maximised-again
xprop -id "$win" _NET_WM_STATE >"$OUT/maximised-again.txt"
quit "$win" "$app"

# The scan of the generated tree: the filter is the tree, as on a first start there.
cd "$WORK/tree"
XDG_CONFIG_HOME="$OUT/config-tree" "$VOLTRIM" 2>>"$OUT/stderr.txt" &
app=$!
win=$(main_window)
for i in 1 2 3 4 5 6; do
  sleep 0.4
  if xdotool search --onlyvisible --name '^Searching for Master Files$' >/dev/null; then
    shot "06-during-scan-$i"
  fi
done
timeout 120 bash -c 'while xdotool search --onlyvisible --name "^Searching for Master Files$" >/dev/null; do sleep 0.2; done'
sleep 1
shot 07-after-scan
quit "$win" "$app"
kill "$wm" 2>/dev/null || true
SESSION
}

session 1024x768
session 1920x1080
echo "Screenshots in $out"
ls "$out"/*

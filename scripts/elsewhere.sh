#!/usr/bin/env bash
# Runs a command as on a machine unlike this one, so that no test can lean on this machine's
# facts: the monotonic and boot clocks near zero (as a minute after boot), another time zone
# (+12:45/+13:45) and locale (decimal comma, dotless i), another user and home, no display
# and no settings folder of the caller's.
#   bash scripts/elsewhere.sh COMMAND [ARGS...]
set -euo pipefail
locale_name=tr_TR.UTF-8
locale -a 2>/dev/null | grep -qix 'tr_TR.utf8' || {
  echo "elsewhere: the locale $locale_name is missing (scripts/install-deps.sh makes it)" >&2
  exit 1
}
home="$(mktemp -d)" tmp="$(mktemp -d)"
trap 'rm -rf "$home" "$tmp"' EXIT
environment=(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_CONFIG_HOME -u XDG_RUNTIME_DIR
             -u LANGUAGE TZ=Pacific/Chatham LANG="$locale_name" LC_ALL="$locale_name"
             HOME="$home" USER=elsewhere LOGNAME=elsewhere)
# A time namespace sets the clocks of what runs inside it back, to 3 seconds after boot.
uptime=$(cut -d. -f1 /proc/uptime)
back=$((uptime > 3 ? uptime - 3 : 0))
clocks=(unshare --time --fork --monotonic=-"$back" --boottime=-"$back")
# Where the system allows a mount namespace too, TMPDIR is a folder of its own in memory: no
# file of the caller's, and the many thousands of small files the write sweeps make and sync
# cost a third of what they cost on a disk.
# (Mounted on an empty folder of its own, so that it hides nothing, a clone under /tmp too.)
own_tmp=(unshare --mount "${clocks[@]:1}"
         bash -c 'mount -t tmpfs -o mode=1777 elsewhere-tmp "$TMPDIR" && exec "$@"' elsewhere)
if TMPDIR="$tmp" "${own_tmp[@]}" true 2>/dev/null; then
  "${environment[@]}" TMPDIR="$tmp" "${own_tmp[@]}" "$@"
elif "${clocks[@]}" true 2>/dev/null; then
  "${environment[@]}" "${clocks[@]}" "$@"
else
  echo "elsewhere: no time namespace here (unshare --time refused); clocks left as they are" >&2
  "${environment[@]}" "$@"
fi

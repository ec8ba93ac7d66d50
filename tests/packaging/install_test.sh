#!/usr/bin/env bash
# Installs Voltrim into a temporary folder (DESTDIR, prefix /usr) and checks the installed
# tree as a desktop and a shell see it: the programs run and say their version, the
# desktop program shows the installed manual, the menu entry, AppStream data and icons
# validate, the man pages are found, and bash-completion's loader finds the completion.
#   install_test.sh BUILD_DIR VERSION APP_ID TESTS_GUI
set -uo pipefail
build=$1 version=$2 app_id=$3 tests_gui=$4
source "$(dirname "$0")/common.sh"
needs desktop-file-validate:desktop-file-utils appstreamcli:appstream man:man-db \
  /usr/share/bash-completion/bash_completion:bash-completion
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null || exit 1
usr=$root/usr

for file in bin/voltrim bin/voltrim-cli share/applications/$app_id.desktop \
  share/metainfo/$app_id.metainfo.xml share/icons/hicolor/scalable/apps/$app_id.svg \
  share/man/man1/voltrim.1.gz share/man/man1/voltrim-cli.1.gz \
  share/bash-completion/completions/voltrim-cli share/doc/voltrim/manual.html \
  share/doc/voltrim/copyright; do
  [[ -s $usr/$file ]] || fail "not installed: $file"
done
for size in 16 22 24 32 48 64 128 256; do
  png=$usr/share/icons/hicolor/${size}x$size/apps/$app_id.png
  file -b "$png" | grep -q "PNG image data, $size x $size," || fail "no $size-pixel icon: $png"
done

# The version on the first line, then the licence, which the copyright file and the
# AppStream data name too; the test build is given no web address, so AppStream names none.
licence=GPL-3.0-or-later
cli_version=$("$usr/bin/voltrim-cli" --version 2>&1)
gui_version=$(QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$root "$usr/bin/voltrim" --version 2>&1)
for text in "voltrim-cli:$cli_version" "Voltrim:$gui_version"; do
  [[ ${text#*:} == "${text%%:*} $version"$'\n'*"License $licence: GNU GPL version 3 or later"* ]] ||
    fail "--version: ${text#*:}"
done
grep -qx "License: $licence" "$usr/share/doc/voltrim/copyright" || fail "copyright: no $licence"
metainfo=$(cat "$usr/share/metainfo/$app_id.metainfo.xml")
[[ $metainfo == *"<project_license>$licence<"*"<developer_name>The Voltrim developers<"* &&
  $metainfo != *"<url"* && $metainfo != *"<screenshot"* ]] || fail "AppStream data: $metainfo"
VOLTRIM_INSTALLED_BINDIR=$usr/bin QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$root \
  "$tests_gui" --gtest_filter='InstalledManual.*' --gtest_brief=1 >"$root/gui.txt" 2>&1 ||
  fail "the installed manual: $(cat "$root/gui.txt")"
grep -q '\[  PASSED  \] 1 test' "$root/gui.txt" ||
  fail "the installed manual was not checked: $(cat "$root/gui.txt")"

report=$(desktop-file-validate "$usr/share/applications/$app_id.desktop" 2>&1)
[[ -z $report ]] || fail "desktop-file-validate: $report"
report=$(appstreamcli validate-tree --no-net "$usr" 2>&1)
[[ $? -eq 0 ]] || fail "appstreamcli validate-tree: $report"
grep -E '^ *[EW]:' <<<"$report" && fail "appstreamcli reports errors or warnings"

[[ $(MANPATH=$usr/share/man man -w voltrim-cli 2>&1) == "$usr/share/man/man1/voltrim-cli.1.gz" ]] ||
  fail "man does not find voltrim-cli(1) in $usr/share/man"

# An interactive shell's bash-completion loads the installed file when voltrim-cli is first
# completed.
offers=$(XDG_DATA_DIRS=$usr/share bash -c '
  source /usr/share/bash-completion/bash_completion
  __load_completion voltrim-cli || exit 1
  COMP_WORDS=(voltrim-cli expo) COMP_CWORD=1
  $(complete -p voltrim-cli | sed "s/.*-F \([^ ]*\).*/\1/") voltrim-cli expo voltrim-cli
  echo "${COMPREPLY[*]}"' 2>&1)
[[ $offers == export ]] || fail "bash-completion of the installed voltrim-cli: $offers"

finish "installed tree"

#!/usr/bin/env bash
# Makes the Debian package of a build with CPack and checks it: the control fields, the
# files it installs, and lintian without errors (warnings are printed).
#   deb_test.sh BUILD_DIR APP_ID
set -uo pipefail
build=$1 app_id=$2
source "$(dirname "$0")/common.sh"
needs cpack:cmake dpkg-shlibdeps:dpkg-dev lintian:lintian fakeroot:fakeroot
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The maintainer is whoever packages: without one cpack refuses; the check names its own,
# at an address that cannot exist.
package() {
  cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" -D "$1" >"$work/cpack.txt" 2>&1
}
package CPACK_DEBIAN_PACKAGE_MAINTAINER= && fail "packaged without a maintainer"
grep -q VOLTRIM_MAINTAINER "$work/cpack.txt" || fail "no maintainer, no word: $(<"$work/cpack.txt")"
maintainer='Voltrim package check <package-check@voltrim.invalid>'
package "CPACK_DEBIAN_PACKAGE_MAINTAINER=$maintainer" || { cat "$work/cpack.txt"; exit 1; }
deb=$(ls "$work"/voltrim_*.deb)

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == voltrim ]] || fail "Package: $(field Package)"
[[ $(field Section) == misc ]] || fail "Section: $(field Section)"
[[ $(field Maintainer) == "$maintainer" ]] || fail "Maintainer: $(field Maintainer)"
# dpkg-shlibdeps found the libraries the programs link; the SVG plugins' library is named
# by hand.
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6svg6; do
  field Depends | grep -q "\b$library\b" || fail "Depends lacks $library: $(field Depends)"
done
[[ $(field Description | wc -l) -ge 3 ]] || fail "no long description"
contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/voltrim ./usr/bin/voltrim-cli ./usr/share/applications/$app_id.desktop \
  ./usr/share/man/man1/voltrim-cli.1.gz ./usr/share/doc/voltrim/copyright \
  ./usr/share/doc/voltrim/changelog.gz; do
  grep -q " $file\$" <<<"$contents" || fail "the package lacks $file"
done
grep -v ' root/root ' <<<"$contents" && fail "files not owned by root"
# The Python module, with what it needs to load, when the build made it.
if [[ -n $(find "$build/python" -name '_voltrim*.so' 2>/dev/null) ]]; then
  grep -q '/dist-packages/voltrim/__init__.py$' <<<"$contents" || fail "the package lacks voltrim"
  field Depends | grep -q 'python3-pandas' || fail "Depends lacks python3-pandas: $(field Depends)"
fi

# Errors fail the test; warnings are shown. (Run as root, lintian says it would rather not.)
# Tags below a warning are neither shown nor failed on: suppressing them spares the checks
# that can raise nothing else (the spelling of every string in the sanitized programs, a
# quarter of lintian's time), and the report and its outcome stay as they were.
quiet_tags() {
  find /usr/share/lintian/tags -name '*.tag' -exec awk -F': ' '
    function flush() {
      if (level ~ /^(info|pedantic|classification)$/) print (spaced == "yes" ? check "/" tag : tag)
    }
    FNR == 1 { if (NR > 1) flush(); tag = check = spaced = level = "" }
    $1 == "Tag" { tag = $2 } $1 == "Check" { check = $2 }
    $1 == "Name-Spaced" { spaced = $2 } $1 == "Severity" { level = $2 }
    END { flush() }' {} + 2>/dev/null
}
quiet_tags >"$work/quiet-tags"
report=$(lintian --fail-on error --suppress-tags-from-file "$work/quiet-tags" "$deb" 2>&1)
status=$?
# A lintian that knows the tags by other names refuses the list (neither 0 nor 2, its
# "policy violated"): then every check runs.
if ((status != 0 && status != 2)); then
  report=$(lintian --fail-on error "$deb" 2>&1)
  status=$?
fi
report=$(grep -v 'running with root privileges' <<<"$report")
[[ -n $report ]] && echo "$report"
((status == 0)) || fail "lintian reports errors"

finish "package $(basename "$deb")"
